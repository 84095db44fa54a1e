// The Save and Import commands: file dialogs, the profile file and the messages, all through
// WindowServices so tests script them. Neither command touches the store or the line: save
// takes a ProfileData made by profileFromStore, import returns one for the window to apply.
// User-interface thread only.
//
// Applying an imported profile (the main window's part):
//  - tables, then showCurrentModes; inputSelect kNoInput (3) means every INPUT option off;
//    exciter, mute and lock on their controls; startMode on its spin bar.
//  - minLevel <= maxLevel holds in every group. Commit them so that neither is clamped by the
//    other's old value: the maximum first when it is not below the current minimum, otherwise
//    the minimum first. The start level follows the maximum down, as when a maximum is typed
//    in. Nothing is sent.
#pragma once

#include "ProfileData.h"

#include <QString>

#include <optional>

namespace tonvara {

class WindowServices;

inline constexpr const char *kSaveDialogTitle = "Save profile";
inline constexpr const char *kOpenDialogTitle = "View profile";
inline constexpr const char *kProfileFilter = "Sound Profile (*.Lumaroch)";
inline constexpr const char *kModelMismatchMessage =
    "You import the files are not ORB-350TZ profile";
inline constexpr const char *kImportErrorMessage = "The imported data errors.";

// Where both dialogs start: programFolder when it can be written to, else the user's
// Documents folder.
QString profileStartFolder(const QString &programFolder);
// The same for the running program's folder.
QString profileStartFolder();

// path with ".Lumaroch" appended unless it already ends in it, in any letter case.
QString withProfileExtension(const QString &path);

// Asks for a file and writes the profile to it. Any failure shows one message naming the file
// and the reason and leaves an existing file as it was. Success shows nothing.
void saveProfile(WindowServices &services, const ProfileData &profile);

struct OpenedProfile
{
    QString path;
    ProfileData data;
};

// Asks for a file and reads it in full. Returns the profile with its path, or nullopt when the
// dialog was cancelled, the name does not exist, or the file was refused (the message has
// been shown then). Import and the comparison with a profile both open files this way.
std::optional<OpenedProfile> openProfile(WindowServices &services);

// The profile to apply, as openProfile finds it.
std::optional<ProfileData> importProfile(WindowServices &services);

} // namespace tonvara
