#pragma once

// The numbers PorticoError carries, by meaning. The runtime's own numbers are
// the ones callers of the published interfaces already test for; the class
// numbers (5000 and up) are those of the settings and the windows.
namespace portico::errors {

// The runtime's.
inline constexpr long kInvalidArgument = 5;  // "Invalid procedure call or argument"
inline constexpr long kOverflow = 6;
inline constexpr long kTypeMismatch = 13;
inline constexpr long kBadFileName = 52;
inline constexpr long kFileNotFound = 53;
inline constexpr long kDeviceIoError = 57;
inline constexpr long kPermissionDenied = 70;
inline constexpr long kPathFileAccessError = 75;
inline constexpr long kPathNotFound = 76;
inline constexpr long kObjectNotSet = 91;
inline constexpr long kInvalidUseOfNull = 94;
inline constexpr long kInvalidPropertyValue = 380;
inline constexpr long kWrongArgumentCount = 450;
inline constexpr long kInvalidPicture = 481;
inline constexpr long kKeyNotUnique = 35602;  // the image list's

// The data layer's.
inline constexpr long kNotACatalogue = 26;  // the engine's "not a database"
inline constexpr long kCannotWriteFile = 3002;
inline constexpr long kDuplicateName = 3022;
inline constexpr long kObjectOpen = 3705;
inline constexpr long kTransactionCancelled = 3712;
// After SQLSTATE 08001 sqlclient_unable_to_establish_sqlconnection and 08006 connection_failure.
inline constexpr long kCannotConnect = 8001;
inline constexpr long kConnectionLost = 8006;
inline constexpr long kServerError = 42000;

// The settings classes'.
inline constexpr long kInvalidPathProperty = 5000;
inline constexpr long kInvalidDialogPath = 5111;
inline constexpr long kInvalidClickCount = 501112;
inline constexpr long kSettingsNotSaved = 500123;

}  // namespace portico::errors
