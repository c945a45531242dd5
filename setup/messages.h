// The fixed texts the setup program shows. Their wording is part of the
// product (users and support documents quote them), typos included. They
// are pointers to literals, not arrays: the 64-bit ABI aligns every array of
// 16 bytes or more to 16, which cost the stub's image 300 bytes of padding.
#pragma once

namespace marrowby::setup {

inline constexpr const char* kCaptionError = "Error";
inline constexpr const char* kCaptionCannotOpen = "Cannot open file ..";
inline constexpr const char* kMsgNeedAdmin =
    "You need to have administrative privileges to run this program.";
// The messages about a damaged package end alike: each is shown followed by
// kMsgObtainNewCopy.
inline constexpr const char* kMsgObtainNewCopy = " Please obtain a new copy of the program.";
inline constexpr const char* kMsgCorrupted = "The setup file is corrupted.";
inline constexpr const char* kMsgInsertDisk = "Please insert disk with part number ";
inline constexpr const char* kMsgCabinetNotLoaded = "Cabinet.dll could not be loaded!";
inline constexpr const char* kMsgRebuildError = "Error rebuilding this Setup package.";
// A part of a split package that its part record rejects: "The part file "
// + the part's file name + " is damaged: it is " + "shorter" or "longer" +
// " than it should be." (and kMsgObtainNewCopy).
inline constexpr const char* kMsgPartFile = "The part file ";
inline constexpr const char* kMsgPartDamaged = " is damaged: it is ";
inline constexpr const char* kMsgPartShort = "shorter";
inline constexpr const char* kMsgPartLong = "longer";
inline constexpr const char* kMsgPartSize = " than it should be.";
inline constexpr const char* kMsgPartsDiffer =
    "The parts of this Setup package do not belong together: one of them has been damaged or "
    "replaced.";
inline constexpr const char* kMsgNeedsSha256 = "This Setup package needs Windows XP SP3 or later.";
inline constexpr const char* kMsgCannotClose = "Cannot close the file";
inline constexpr const char* kMsgCannotInstall = "Couldn't initialize installation.";
inline constexpr const char* kMsgCreateDirFailed =
    "Runtime error: the temporary directory could not be created.";
inline constexpr const char* kMsgChangeDirFailed =
    "Runtime error: the current directory could not be changed.";
inline constexpr const char* kMsgPathTooLong =
    "A path needed by this Setup package is too long.";
inline constexpr const char* kMsgNoAnsiPath =
    "The path of the extracted files cannot be passed to the installer.";
inline constexpr const char* kMsgUnsafeName =
    "The setup package holds a file name that is not allowed: ";
// Shown for /? and for a command line the program does not understand.
inline constexpr const char* kCaptionSwitches = "Setup";
inline constexpr const char* kSwitchesText =
    "/Q or /quiet: install without any window\n"
    "/X:FOLDER: only extract, into a new or empty FOLDER\n"
    "/norestart: never restart Windows\n"
    "/?: show this list";
inline constexpr const char* kMsgExtractFolder =
    "The files can only be extracted into a new or empty folder.";
inline constexpr const char* kMsgExtractFailed = "Error extracting file(s).";
// The same text as the caption.
inline constexpr const char* kMsgOpenFailed = kCaptionCannotOpen;
inline constexpr const char* kCaptionInfo = "License Information";
inline constexpr const char* kCaptionLicence = "Licence agreement";
inline constexpr const char* kLicencePrompt =
    "To continue with this installation, you must agree to all terms of this licence "
    "agreement.";
inline constexpr const char* kDefaultWelcome = "\r\r\rPlease click \"Install\" to start setup.";
inline constexpr const char* kStatusExtracting = "\r\n\r\n\r\n\r\n  Extracting: ";
inline constexpr const char* kStatusUpdating =
    "\r\n\r\n\r\nSetup is updating your system:\r\n\r\nUpdating system settings ...";
inline constexpr const char* kStatusCompleted = "\r\n\r\n\r\n\r\nInstallation completed successfully!";
inline constexpr const char* kStatusInstallNotStarted =
    "\r\n\r\n\r\n\r\nInstallation failed: the installer could not be started.";
inline constexpr const char* kStatusInstallFailed =
    "\r\n\r\n\r\n\r\nInstallation failed: the installer ended with exit code ";
inline constexpr const char* kStatusDeleting = "\r\n\r\n\r\n\r\nDeleting ";
inline constexpr const char* kTempSubdir = "\\$Tessara.Tmp\\";
inline constexpr const char* kRebuiltName = "Tessara.pkg";
inline constexpr const char* kLibraryName = "\\Cabinet.dll";

// The text for a failed copy's error code of the cabinet library.
const char* CopyErrorText(int code);

}  // namespace marrowby::setup
