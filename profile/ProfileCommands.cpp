#include "ProfileCommands.h"

#include "IniOper.h"
#include "ProfileFile.h"
#include "WindowServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tonvara {

namespace {

FileDialogRequest dialogRequest(const char *title, bool promptOverwrite)
{
    FileDialogRequest request;
    request.title = QString::fromLatin1(title);
    request.filter = QString::fromLatin1(kProfileFilter);
    request.startFolder = profileStartFolder();
    request.promptOverwrite = promptOverwrite;
    return request;
}

QString shownName(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

QString profileStartFolder(const QString &programFolder)
{
    const QFileInfo info(programFolder);
    if (!programFolder.isEmpty() && info.isDir() && info.isWritable())
        return programFolder;
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString profileStartFolder()
{
    return profileStartFolder(QCoreApplication::applicationDirPath());
}

QString withProfileExtension(const QString &path)
{
    const QString extension = QString::fromLatin1(kProfileExtension);
    if (path.endsWith(extension, Qt::CaseInsensitive))
        return path;
    return path + extension;
}

void saveProfile(WindowServices &services, const ProfileData &profile)
{
    const QString chosen = services.saveFileDialog(dialogRequest(kSaveDialogTitle, true));
    if (chosen.isEmpty())
        return;
    const QString path = withProfileExtension(chosen);
    // The dialog asked about the name as typed; the extended name is another file.
    if (path != chosen && QFileInfo::exists(path)) {
        const QString question =
            QStringLiteral("%1 already exists.\nDo you want to replace its settings?")
                .arg(shownName(path));
        if (services.messageBox(question, MessageIcon::Warning, MessageButtons::YesNo) !=
            MessageAnswer::Yes)
            return;
    }
    iniFileName = path;
    iniSection = QString::fromLatin1(kProfileSection);
    const SaveResult result = saveProfileFile(path, profile);
    if (!result.ok) {
        services.messageBox(QStringLiteral("The profile was not saved to %1: %2.")
                                .arg(shownName(path), result.reason),
                            MessageIcon::Critical, MessageButtons::Ok);
    }
}

std::optional<ProfileData> importProfile(WindowServices &services)
{
    if (std::optional<OpenedProfile> opened = openProfile(services))
        return std::move(opened->data);
    return std::nullopt;
}

std::optional<OpenedProfile> openProfile(WindowServices &services)
{
    const QString path = services.openFileDialog(dialogRequest(kOpenDialogTitle, false));
    if (path.isEmpty() || !QFileInfo::exists(path))
        return std::nullopt;
    iniFileName = path;
    iniSection = QString::fromLatin1(kProfileSection);
    const ProfileCheck check = loadProfileFile(path);
    switch (check.status) {
    case ProfileStatus::Ok:
        return OpenedProfile{path, check.data};
    case ProfileStatus::ModelMismatch:
        services.messageBox(QString::fromLatin1(kModelMismatchMessage), MessageIcon::Critical,
                            MessageButtons::Ok);
        return std::nullopt;
    case ProfileStatus::DataError:
        break;
    }
    services.messageBox(QString::fromLatin1(kImportErrorMessage), MessageIcon::Critical,
                        MessageButtons::Ok);
    return std::nullopt;
}

} // namespace tonvara
