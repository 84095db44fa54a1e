#include "ProfileFile.h"

#include "ProfileCommands.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>
#include <unistd.h>

namespace tonvara {

FileBytes readSmallFile(const QString &path)
{
    FileBytes result;
    const QFileInfo info(path);
    if (info.isDir()) {
        result.reason = QStringLiteral("it is a folder");
        return result;
    }
    // FIFOs, sockets and devices: opening one can block or never end.
    if (!info.isFile()) {
        result.reason = info.exists() ? QStringLiteral("it is not a regular file")
                                      : QStringLiteral("it does not exist");
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.reason = QStringLiteral("it cannot be opened (%1)").arg(file.errorString());
        return result;
    }
    // One byte more than allowed tells a file at the limit from a larger one.
    result.bytes = file.read(IniDocument::kMaxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        result.bytes.clear();
        result.reason = QStringLiteral("it cannot be read (%1)").arg(file.errorString());
        return result;
    }
    if (result.bytes.size() > IniDocument::kMaxBytes) {
        result.bytes.clear();
        result.reason = QStringLiteral("it is larger than 1 MiB, too large for a profile");
        return result;
    }
    result.ok = true;
    return result;
}

bool looksLikeText(QByteArrayView bytes)
{
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t' && c != '\r' && c != '\n') || u == 0x7F)
            return false;
    }
    return true;
}

ProfileCheck loadProfileFile(const QString &path)
{
    const FileBytes file = readSmallFile(path);
    if (!file.ok) {
        ProfileCheck unreadable;
        unreadable.unreadable = file.reason;
        return unreadable;
    }
    ProfileCheck check = readProfile(IniDocument::parse(file.bytes));
    // A file that names this model but carries binary bytes is a damaged profile; one that
    // does not name it is simply not a profile of this model.
    if (check.status == ProfileStatus::Ok && !looksLikeText(file.bytes)) {
        ProfileCheck damaged;
        damaged.unreadable = QStringLiteral("it holds bytes that are not text");
        return damaged;
    }
    return check;
}

QString profileRefusal(const ProfileCheck &check)
{
    switch (check.status) {
    case ProfileStatus::Ok:
        return {};
    case ProfileStatus::ModelMismatch:
        return QString::fromLatin1(kModelMismatchMessage);
    case ProfileStatus::DataError:
        break;
    }
    const QString detail =
        !check.unreadable.isEmpty()
            ? check.unreadable
            : QStringLiteral("the value of %1").arg(QString::fromLatin1(check.failedKey));
    return QStringLiteral("%1 (%2)").arg(QString::fromLatin1(kImportErrorMessage), detail);
}

QString missingKeysWarning(const ProfileCheck &check)
{
    if (check.status != ProfileStatus::Ok || check.missingKeys.isEmpty())
        return {};
    return QStringLiteral("%1 of the %2 setting keys missing, the first %3; Import takes a "
                          "missing key as 0 (a maximum as 80)")
        .arg(check.missingKeys.size())
        .arg(profileValueKeys().size())
        .arg(QString::fromLatin1(check.missingKeys.first()));
}

ExistingDocument readExistingDocument(const QString &path)
{
    ExistingDocument existing;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        existing.ok = true;
        return existing;
    }
    const FileBytes file = readSmallFile(path);
    if (!file.ok) {
        existing.reason = file.reason;
        return existing;
    }
    if (!looksLikeText(file.bytes)) {
        existing.reason = QStringLiteral("the file already there is not a text file");
        return existing;
    }
    existing.doc = IniDocument::parse(file.bytes);
    existing.ok = true;
    return existing;
}

SaveResult writeDocumentFile(const QString &path, const IniDocument &doc)
{
    return writeFileAtomically(path, doc.serialize());
}

SaveResult writeFileAtomically(const QString &path, QByteArrayView bytes)
{
    SaveResult result;
    QSaveFile file(path);
    // Unbuffered: a buffered flush that the disk takes only in part (full disk, file size
    // limit) is not reported as an error, and the shortened file would then be committed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        result.reason = file.errorString();
        return result;
    }
    qsizetype written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0) {
            result.reason = file.errorString();
            file.cancelWriting();
            return result;
        }
        written += qsizetype(n);
    }
    // commit() syncs and renames over the old file; on failure the old file is untouched.
    if (!file.commit()) {
        result.reason = file.errorString();
        return result;
    }
    result.ok = true;
    return result;
}

SaveResult checkDocumentWritable(const QString &path)
{
    SaveResult result;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        result.reason = file.errorString();
        return result;
    }
    // Never committed: the destructor removes the new file it started.
    file.cancelWriting();
    // The write ends with a rename over the old file, which a sticky folder (/tmp) allows
    // only to the file's owner, the folder's owner and root.
    const QString existing = QFileInfo(path).canonicalFilePath();
    struct stat folder = {};
    struct stat old = {};
    if (!existing.isEmpty() &&
        ::stat(QFile::encodeName(QFileInfo(existing).absolutePath()).constData(), &folder) == 0 &&
        ::stat(QFile::encodeName(existing).constData(), &old) == 0 &&
        (folder.st_mode & S_ISVTX) != 0) {
        const uid_t me = ::geteuid();
        if (me != 0 && old.st_uid != me && folder.st_uid != me) {
            result.reason = QStringLiteral("the file belongs to another user, and in this "
                                           "folder only a file's owner may replace it");
            return result;
        }
    }
    result.ok = true;
    return result;
}

SaveResult saveProfileFile(const QString &path, const ProfileData &profile)
{
    ExistingDocument existing = readExistingDocument(path);
    if (!existing.ok)
        return SaveResult{false, existing.reason};
    writeProfile(profile, existing.doc);
    return writeDocumentFile(path, existing.doc);
}

} // namespace tonvara
