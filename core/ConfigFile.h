#ifndef GLINTVIEW_CONFIGFILE_H
#define GLINTVIEW_CONFIGFILE_H

// Config.xml as a document of groups: one element per group below the root
// "Halvern_Demo_Options", one attribute per value. Values are looked up
// without regard to case; set keeps an attribute where it stands and
// appends what is new. Saving replaces the file atomically, so an exit that
// fails half way leaves the previous file as it was. Nothing here talks to
// the operator; failures go to the log (stderr). A failed save marks the
// old file so that the next load can tell (lastSaveFailed).

#include "platform/AtomicFile.h"
#include "xml/Xml.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

class ConfigFile
{
public:
    static constexpr std::size_t kPathSize = 260;
    static constexpr std::size_t kValueSize = 260;
    static const char kRootName[];

    // One write(2) of the save; tests put a failing disk in its place.
    using Writer = AtomicFile::WriteCall;

    ConfigFile();

    // Reads the file at `path`. A file that is missing, empty, cannot be
    // parsed or has another root is replaced by one holding only the root
    // (a broken one is kept beside it as "<path>.bad"). False only when the
    // path does not fit or no document could be made at all. Leftovers of a
    // save that crashed before its rename are removed first.
    bool load(const char *path);
    // Whether the save of the run before this load failed (read once, from
    // the mark that failure left on the file).
    bool lastSaveFailed() const { return lastSaveFailed_; }

    bool hasGroup(const char *group) const;
    // Copies the value of key in group into buffer (cut to size - 1 bytes and
    // terminated); 1 when found, else 0 with the buffer left alone.
    int get(const char *key, const char *group, char *buffer, std::size_t size);
    template <std::size_t N>
    int get(const char *key, const char *group, char (&buffer)[N])
    {
        return get(key, group, buffer, N);
    }
    // Stores value as key in group, adding the group or the key when
    // missing; 1 when stored.
    int set(const char *value, const char *key, const char *group);
    // Writes the document to the path, formatted; true on success.
    bool save();

    // The outcome of the last get or set: 1 found or stored, else 0.
    int32_t found() const { return found_; }
    const char *path() const { return path_; }
    bool isLoaded() const { return !document_.isEmpty(); }

    // Tests replace the writer to make a save fail or stop half way.
    void setWriter(Writer writer);

private:
    glint::xml::Node root() const;
    bool writeAtomically(const QByteArray &bytes);

    int32_t found_ = 0;
    bool lastSaveFailed_ = false;
    char path_[kPathSize] = {};
    glint::xml::Node document_;
    Writer writer_;
};

#endif
