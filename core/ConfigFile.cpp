#include "core/ConfigFile.h"

#include "core/FixedText.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QtGlobal>
#include <cstring>

namespace gx = glint::xml;

const char ConfigFile::kRootName[] = "Halvern_Demo_Options";

ConfigFile::ConfigFile() = default;

void ConfigFile::setWriter(Writer writer)
{
    writer_ = std::move(writer);
}

bool ConfigFile::load(const char *path)
{
    document_ = gx::Node();
    found_ = 0;
    lastSaveFailed_ = false;
    if (!path || !FixedText::copy(path_, kPathSize, path, std::strlen(path))) {
        std::memset(path_, 0, sizeof path_);
        qWarning("Config.xml: the path does not fit in %d characters; settings are not loaded",
                 static_cast<int>(kPathSize - 1));
        return false;
    }

    const QString file = QFile::decodeName(path_);
    // A save through the operator's link leaves its temporaries beside the target.
    const QFileInfo info(file);
    const QString real = info.isSymLink() ? info.symLinkTarget() : file;
    for (const QString &stale : AtomicFile::removeStaleTemporaries(real, QDateTime::currentSecsSinceEpoch()))
        qWarning("Config.xml: removed %s, left by a save that did not finish", qPrintable(stale));
    lastSaveFailed_ = AtomicFile::takeSaveFailedMark(file);

    gx::Result result;
    document_ = gx::parseFile(path_, nullptr, &result);
    if (!root().isEmpty())
        return true;

    if (result.code != gx::ErrorFileNotFound && QFileInfo(file).size() > 0) {
        // Keep what the operator had, for a look or a repair by hand.
        const QString bad = file + QStringLiteral(".bad");
        QFile::remove(bad);
        const bool kept = QFile::copy(file, bad);
        if (document_.isEmpty())
            qWarning("Config.xml: %s cannot be read (%s, line %d, column %d); %s", path_,
                     gx::errorText(result.code), result.line, result.column,
                     kept ? "kept as .bad and replaced" : "could not keep a copy, replaced");
        else
            qWarning("Config.xml: %s has no %s element; %s", path_, kRootName,
                     kept ? "kept as .bad and replaced" : "could not keep a copy, replaced");
    }

    // The same tree as reading back the file written from it would give.
    const std::string text = gx::createTopElement(kRootName).createFileText(nullptr, true);
    document_ = gx::parseBuffer(text.data(), text.size());
    if (document_.isEmpty()) {
        qWarning("Config.xml: no document could be made for %s", path_);
        return false;
    }
    if (!writeAtomically(QByteArray(text.data(), static_cast<qsizetype>(text.size()))))
        qWarning("Config.xml: %s could not be created", path_);
    return true;
}

gx::Node ConfigFile::root() const
{
    if (document_.isEmpty())
        return gx::Node();
    // A file without a declaration reads as its root element itself.
    if (document_.name())
        return !document_.isDeclaration() && qstricmp(document_.name(), kRootName) == 0 ? document_ : gx::Node();
    return document_.childByName(kRootName);
}

bool ConfigFile::hasGroup(const char *group) const
{
    return group && !root().childByName(group).isEmpty();
}

int ConfigFile::get(const char *key, const char *group, char *buffer, std::size_t size)
{
    found_ = 0;
    if (!key || !group || !buffer || size == 0)
        return 0;
    const char *value = root().childByName(group).attributeByName(key);
    if (!value)
        return 0;
    FixedText::copy(buffer, size, value, std::strlen(value));
    found_ = 1;
    return 1;
}

int ConfigFile::set(const char *value, const char *key, const char *group)
{
    found_ = 0;
    gx::Node r = root();
    if (r.isEmpty() || !value || !key || !group)
        return 0;
    gx::Node element = r.childByName(group);
    if (element.isEmpty())
        element = r.addChild(group);
    if (element.isEmpty() || !element.setAttribute(value, nullptr, key))
        return 0;
    found_ = 1;
    return 1;
}

bool ConfigFile::save()
{
    if (document_.isEmpty()) {
        qWarning("Config.xml: nothing loaded, nothing saved");
        return false;
    }
    const std::string text = document_.createFileText(nullptr, true);
    if (!writeAtomically(QByteArray(text.data(), static_cast<qsizetype>(text.size())))) {
        qWarning("Config.xml: the settings of this run could not be saved to %s", path_);
        AtomicFile::markSaveFailed(QFile::decodeName(path_));
        return false;
    }
    return true;
}

bool ConfigFile::writeAtomically(const QByteArray &bytes)
{
    QString error;
    if (!AtomicFile::replace(QFile::decodeName(path_), bytes, AtomicFile::Kind::Kept, &error, writer_)) {
        qWarning("Config.xml: cannot replace %s: %s", path_, qPrintable(error));
        return false;
    }
    return true;
}
