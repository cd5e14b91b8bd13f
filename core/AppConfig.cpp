#include "core/AppConfig.h"

#include "core/FixedText.h"

#include <QFile>
#include <QtGlobal>
#include <cfloat>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

const char kZeph[] = "ZephConfig";
const char kCapture[] = "CAPTURE_OPTION";
const char kGallery[] = "GALLERY_OPTION";
const char kMatching[] = "MATCHING_OPTION";
const char kEnrollment[] = "ENROLLMENT_QUALITY";

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads an integer value when the key is there; false leaves `out` alone.
bool readInt(ConfigFile &file, const char *key, const char *group, int32_t &out)
{
    char value[ConfigFile::kValueSize];
    if (!file.get(key, group, value))
        return false;
    out = AppConfig::readInteger(value);
    return true;
}

template <typename T>
void readInto(ConfigFile &file, const char *key, const char *group, T &field)
{
    int32_t v;
    if (readInt(file, key, group, v))
        field = static_cast<T>(v);
}

// Keys stored as 1 whenever they are not 0.
template <typename T>
void readFlag(ConfigFile &file, const char *key, const char *group, T &field)
{
    int32_t v;
    if (readInt(file, key, group, v))
        field = v != 0 ? 1 : 0;
}

void readLowByte(ConfigFile &file, const char *key, const char *group, uint8_t &field)
{
    int32_t v;
    if (readInt(file, key, group, v))
        field = static_cast<uint8_t>(static_cast<uint32_t>(v) & 0xFF);
}

void readFloat(ConfigFile &file, const char *key, const char *group, float &field)
{
    char value[ConfigFile::kValueSize];
    if (file.get(key, group, value))
        field = AppConfig::readDecimal(value);
}

void setInt(ConfigFile &file, const char *key, const char *group, int64_t value)
{
    char text[100];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(static_cast<int32_t>(value)));
    file.set(text, key, group);
}

// "%.2f" without the locale's decimal comma.
void setFixed2(ConfigFile &file, const char *key, const char *group, float value)
{
    char text[100];
    const std::to_chars_result r =
        std::to_chars(text, text + sizeof text - 1, static_cast<double>(value), std::chars_format::fixed, 2);
    *(r.ec == std::errc() ? r.ptr : text) = 0;
    file.set(text, key, group);
}

void fixPair(int32_t &qualified, int32_t &other, int32_t qualifiedFallback, int32_t otherFallback)
{
    if (qualified <= 0)
        qualified = qualifiedFallback;
    if (other <= 0)
        other = otherFallback;
    if (qualified < other) {
        qualified = qualifiedFallback;
        other = otherFallback;
    }
}

} // namespace

int32_t AppConfig::readInteger(const char *text)
{
    if (!text)
        return 0;
    while (isBlank(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    const int64_t limit = negative ? -int64_t(std::numeric_limits<int32_t>::min())
                                   : int64_t(std::numeric_limits<int32_t>::max());
    int64_t value = 0;
    for (; isDigit(*text); ++text) {
        value = value * 10 + (*text - '0');
        if (value > limit)
            value = limit; // saturate, however long the digits run
    }
    return static_cast<int32_t>(negative ? -value : value);
}

float AppConfig::readDecimal(const char *text)
{
    if (!text)
        return 0.0f;
    while (isBlank(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    const char *start = text;
    bool digits = false;
    while (isDigit(*text)) {
        ++text;
        digits = true;
    }
    if (*text == '.') {
        ++text;
        while (isDigit(*text)) {
            ++text;
            digits = true;
        }
    }
    if (!digits)
        return 0.0f;
    double value = 0.0;
    const std::from_chars_result r = std::from_chars(start, text, value, std::chars_format::fixed);
    if (r.ec == std::errc::result_out_of_range)
        value = DBL_MAX;
    else if (r.ec != std::errc())
        value = 0.0;
    if (value > FLT_MAX)
        value = FLT_MAX;
    return static_cast<float>(negative ? -value : value);
}

void AppConfig::checkMatchingThresholds(AppSettings &s)
{
    if (s.genuineThreshold <= 0.0f)
        s.genuineThreshold = 1.0f;
    if (s.imposterThreshold <= 0.0f)
        s.imposterThreshold = 1.1f;
    if (s.imposterThreshold <= s.genuineThreshold) {
        s.genuineThreshold = 1.0f;
        s.imposterThreshold = 1.1f;
    }
    fixPair(s.qualifiedScoreForMatching, s.badScoreForMatching, 50, 30);
    fixPair(s.qualifiedUsableAreaForMatching, s.badUsableAreaForMatching, 50, 30);
}

void AppConfig::checkEnrollmentThresholds(AppSettings &s)
{
    fixPair(s.qualifiedScoreForEnrollment, s.rejectedScoreForEnrollment, 70, 50);
    fixPair(s.qualifiedUsableAreaForEnrollment, s.rejectedUsableAreaForEnrollment, 70, 50);
}

bool AppConfig::load(AppSettings &s, ConfigFile &file, const QString &directory)
{
    const QByteArray dir = QFile::encodeName(directory);
    char path[ConfigFile::kPathSize];
    const int n = std::snprintf(path, sizeof path, "%s/%s", dir.constData(), "Config.xml");
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof path) {
        qWarning("Config.xml: the directory %s is too long for the path; settings are not loaded",
                 dir.constData());
        return false;
    }
    if (!file.load(path))
        return false;

    s.capturedResultTimeout = 30;

    if (file.hasGroup(kZeph)) {
        readInto(file, "commStd", kZeph, s.sdkConfig.commStd);
        readFlag(file, "enableLog", kZeph, s.sdkConfig.enableLog);
        readInto(file, "uartBaudrate", kZeph, s.sdkConfig.uartBaudrate);
    }

    if (file.hasGroup(kCapture)) {
        readInto(file, "captureMode", kCapture, s.captureMode);
        int32_t param;
        if (readInt(file, "captureModeParam", kCapture, param)) {
            if (s.captureMode == 2) {
                s.captureSeconds = param;
                s.frameCount = 3;
            } else {
                s.frameCount = param;
                s.captureSeconds = 5;
            }
        }
        readInto(file, "operationMode", kCapture, s.operationMode);
        readInto(file, "qualityMode", kCapture, s.qualityMode);
        readFlag(file, "enableStream", kCapture, s.deviceConfig.enableStream);
        readLowByte(file, "streamScale", kCapture, s.deviceConfig.streamScale);
        readLowByte(file, "streamFormat", kCapture, s.deviceConfig.streamFormat);
        readLowByte(file, "jpegQuality", kCapture, s.jpegQuality);
        readInto(file, "resultKind", kCapture, s.resultKind);
        readInto(file, "resultFormat", kCapture, s.resultFormat);
        readLowByte(file, "j2kQuality", kCapture, s.j2kQuality);
        readInto(file, "capturedResultTimeout", kCapture, s.capturedResultTimeout);
        if (s.sdkConfig.commStd == 2) {
            // What switching back to USB restores.
            s.usbResultOptions.isoRevision = 0;
            s.usbResultOptions.resultFormat = 2;
            s.usbResultOptions.resultKind = 1;
            s.usbResultOptions.j2kQuality = 100;
        }
    } else {
        s.noCaptureOptions = 1;
    }

    if (file.hasGroup(kGallery)) {
        readFlag(file, "import", kGallery, s.galleryImport);
        char base[sizeof s.irisDataBase];
        if (file.get("irisDataBase", kGallery, base))
            FixedText::copy(s.irisDataBase, base);
    }

    if (file.hasGroup(kMatching)) {
        readFloat(file, "genuineThreshold", kMatching, s.genuineThreshold);
        readFloat(file, "imposterThreshold", kMatching, s.imposterThreshold);
        readInto(file, "qualifiedScoreForMatching", kMatching, s.qualifiedScoreForMatching);
        readInto(file, "qualifiedUsableAreaForMatching", kMatching, s.qualifiedUsableAreaForMatching);
        readInto(file, "badScoreForMatching", kMatching, s.badScoreForMatching);
        readInto(file, "badUsableAreaForMatching", kMatching, s.badUsableAreaForMatching);
    }
    checkMatchingThresholds(s);

    if (file.hasGroup(kEnrollment)) {
        readInto(file, "qualifiedScoreForEnrollment", kEnrollment, s.qualifiedScoreForEnrollment);
        readInto(file, "qualifiedUsableAreaForEnrollment", kEnrollment, s.qualifiedUsableAreaForEnrollment);
        readInto(file, "rejectedScoreForEnrollment", kEnrollment, s.rejectedScoreForEnrollment);
        readInto(file, "rejectedUsableAreaForEnrollment", kEnrollment, s.rejectedUsableAreaForEnrollment);
    }
    checkEnrollmentThresholds(s);
    return true;
}

bool AppConfig::save(const AppSettings &s, ConfigFile &file)
{
    setInt(file, "commStd", kZeph, s.sdkConfig.commStd);
    setInt(file, "enableLog", kZeph, s.sdkConfig.enableLog);
    setInt(file, "uartBaudrate", kZeph, s.sdkConfig.uartBaudrate);

    setInt(file, "captureMode", kCapture, s.captureMode);
    setInt(file, "captureModeParam", kCapture, s.captureMode == 2 ? s.captureSeconds : s.frameCount);
    setInt(file, "operationMode", kCapture, s.operationMode);
    setInt(file, "qualityMode", kCapture, s.qualityMode);
    setInt(file, "jpegQuality", kCapture, s.jpegQuality);
    setInt(file, "resultKind", kCapture, s.resultKind);
    setInt(file, "resultFormat", kCapture, s.resultFormat);
    setInt(file, "j2kQuality", kCapture, s.j2kQuality);
    setInt(file, "capturedResultTimeout", kCapture, s.capturedResultTimeout);

    setInt(file, "import", kGallery, s.galleryImport);
    file.set(FixedText::read(s.irisDataBase).constData(), "irisDataBase", kGallery);

    setFixed2(file, "genuineThreshold", kMatching, s.genuineThreshold);
    setFixed2(file, "imposterThreshold", kMatching, s.imposterThreshold);
    setInt(file, "badScoreForMatching", kMatching, s.badScoreForMatching);
    setInt(file, "badUsableAreaForMatching", kMatching, s.badUsableAreaForMatching);
    setInt(file, "qualifiedScoreForMatching", kMatching, s.qualifiedScoreForMatching);
    setInt(file, "qualifiedUsableAreaForMatching", kMatching, s.qualifiedUsableAreaForMatching);

    setInt(file, "rejectedScoreForEnrollment", kEnrollment, s.rejectedScoreForEnrollment);
    setInt(file, "rejectedUsableAreaForEnrollment", kEnrollment, s.rejectedUsableAreaForEnrollment);
    setInt(file, "qualifiedScoreForEnrollment", kEnrollment, s.qualifiedScoreForEnrollment);
    setInt(file, "qualifiedUsableAreaForEnrollment", kEnrollment, s.qualifiedUsableAreaForEnrollment);

    return file.save();
}
