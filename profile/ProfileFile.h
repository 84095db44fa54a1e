// Reading and writing profile files on disk. A read takes at most IniDocument::kMaxBytes and
// refuses folders, special files and binary data; a save rewrites the file atomically (a
// temporary file in the same folder renamed over the old one only after every byte is written
// and flushed), so a failed save leaves the old file byte for byte. Any thread; no shared state.
#pragma once

#include "ProfileFormat.h"

#include <QString>

namespace tonvara {

struct FileBytes
{
    bool ok = false;
    QByteArray bytes;
    QString reason; // why the file could not be read, when !ok
};

// Reads a regular file of at most IniDocument::kMaxBytes.
FileBytes readSmallFile(const QString &path);

// True when the bytes hold no NUL and no control characters other than tab, CR and LF.
bool looksLikeText(QByteArrayView bytes);

// Reads and checks a profile file. A file that cannot be read, or is not text yet names this
// model, is a DataError; a readable file without the model key is a ModelMismatch.
ProfileCheck loadProfileFile(const QString &path);

// Why Import refuses a checked profile, in Import's words ("The imported data errors. (the
// value of Music1.3)"); empty when it is accepted.
QString profileRefusal(const ProfileCheck &check);

// A warning that a profile accepted by Import lacks keys: how many and the first of them;
// empty when none is missing.
QString missingKeysWarning(const ProfileCheck &check);

struct SaveResult
{
    bool ok = false;
    QString reason; // when !ok: a short reason for the message box
};

// Writes the profile to path. An existing profile is updated in place: its other sections,
// keys, comments and line order stay. An existing file that is not a text file of profile
// size is refused rather than overwritten.
SaveResult saveProfileFile(const QString &path, const ProfileData &profile);

// Writes one document atomically.
SaveResult writeDocumentFile(const QString &path, const IniDocument &doc);
// Writes bytes atomically: a temporary file in the same folder, flushed and synced, renamed
// over path only when whole. A failure (full disk, no right to write) leaves path as it was.
SaveResult writeFileAtomically(const QString &path, QByteArrayView bytes);

// The document already at path (empty when there is no file), or a reason it cannot be kept.
struct ExistingDocument
{
    bool ok = false;
    IniDocument doc;
    QString reason;
};
ExistingDocument readExistingDocument(const QString &path);

} // namespace tonvara
