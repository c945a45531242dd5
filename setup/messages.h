// The fixed texts the setup program shows. Their wording is part of the
// product (users and support documents quote them), typos included.
#pragma once

namespace marrowby::setup {

inline constexpr char kCaptionError[] = "Error";
inline constexpr char kCaptionCannotOpen[] = "Cannot open file ..";
inline constexpr char kMsgNeedAdmin[] =
    "You need to have administrative privileges to run this program.";
// The messages about a damaged package end alike: each is shown followed by
// kMsgObtainNewCopy.
inline constexpr char kMsgObtainNewCopy[] = " Please obtain a new copy of the program.";
inline constexpr char kMsgCorrupted[] = "The setup file is corrupted.";
inline constexpr char kMsgInsertDisk[] = "Please insert disk with part number ";
inline constexpr char kMsgCabinetNotLoaded[] = "Cabinet.dll could not be loaded!";
inline constexpr char kMsgRebuildError[] = "Error rebuilding this Setup package.";
// A part of a split package that its part record rejects: "The part file "
// + the part's file name + " is damaged: it is " + "shorter" or "longer" +
// " than it should be." (and kMsgObtainNewCopy).
inline constexpr char kMsgPartFile[] = "The part file ";
inline constexpr char kMsgPartDamaged[] = " is damaged: it is ";
inline constexpr char kMsgPartShort[] = "shorter";
inline constexpr char kMsgPartLong[] = "longer";
inline constexpr char kMsgPartSize[] = " than it should be.";
inline constexpr char kMsgPartsDiffer[] =
    "The parts of this Setup package do not belong together: one of them has been damaged or "
    "replaced.";
inline constexpr char kMsgCannotClose[] = "Cannot close the file";
inline constexpr char kMsgCannotInstall[] = "Couldn't initialize installation.";
inline constexpr char kMsgCreateDirFailed[] =
    "Runtime error: the temporary directory could not be created.";
inline constexpr char kMsgChangeDirFailed[] =
    "Runtime error: the current directory could not be changed.";
inline constexpr char kMsgPathTooLong[] =
    "A path needed by this Setup package is too long.";
inline constexpr char kMsgNoAnsiPath[] =
    "The path of the extracted files cannot be passed to the installer.";
inline constexpr char kMsgUnsafeName[] =
    "The setup package holds a file name that is not allowed: ";
inline constexpr char kMsgExtractFailed[] = "Error extracting file(s).";
// The same text as the caption.
inline constexpr const char* kMsgOpenFailed = kCaptionCannotOpen;
inline constexpr char kCaptionInfo[] = "License Information";
inline constexpr char kCaptionLicence[] = "Licence agreement";
inline constexpr char kLicencePrompt[] =
    "To continue with this installation, you must agree to all terms of this licence "
    "agreement.";
inline constexpr char kDefaultWelcome[] = "\r\r\rPlease click \"Install\" to start setup.";
inline constexpr char kStatusExtracting[] = "\r\n\r\n\r\n\r\n  Extracting: ";
inline constexpr char kStatusUpdating[] =
    "\r\n\r\n\r\nSetup is updating your system:\r\n\r\nUpdating system settings ...";
inline constexpr char kStatusCompleted[] = "\r\n\r\n\r\n\r\nInstallation completed successfully!";
inline constexpr char kStatusInstallNotStarted[] =
    "\r\n\r\n\r\n\r\nInstallation failed: the installer could not be started.";
inline constexpr char kStatusInstallFailed[] =
    "\r\n\r\n\r\n\r\nInstallation failed: the installer ended with exit code ";
inline constexpr char kStatusDeleting[] = "\r\n\r\n\r\n\r\nDeleting ";
inline constexpr char kTempSubdir[] = "\\$Tessara.Tmp\\";
inline constexpr char kRebuiltName[] = "Tessara.pkg";
inline constexpr char kLibraryName[] = "\\Cabinet.dll";

// The text for a failed copy's error code of the cabinet library.
const char* CopyErrorText(int code);

}  // namespace marrowby::setup
