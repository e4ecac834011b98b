#pragma once

#include "settings/ErrorNumbers.h"

// Error numbers and texts of the access layer, as ADO and the runtime give them.
namespace portico::ado {

inline constexpr long kNoCurrentRecord = 3021;
inline constexpr const char* kNoCurrentRecordText =
    "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a current record.";
inline constexpr long kWrongArguments = 3001;
inline constexpr const char* kWrongArgumentsText =
    "Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another.";
inline constexpr long kFileNotOpened = 3002;
inline constexpr const char* kFileNotOpenedText = "File could not be opened.";
inline constexpr long kWriteFailed = 3004;
inline constexpr const char* kWriteFailedText = "Write to file failed.";
inline constexpr long kObjectClosed = 3704;
inline constexpr const char* kObjectClosedText = "Operation is not allowed when the object is closed.";
inline constexpr long kConnectionNotUsable = 3709;
inline constexpr const char* kConnectionNotUsableText =
    "The connection cannot be used to perform this operation. It is either closed or invalid in this context.";
inline constexpr long kItemNotFound = 3265;
inline constexpr const char* kItemNotFoundText =
    "Item cannot be found in the collection corresponding to the requested name or ordinal.";
inline constexpr long kNotUpdatable = 3251;
inline constexpr const char* kNotUpdatableText =
    "Current Recordset does not support updating. This may be a limitation of the provider, or of the selected locktype.";

inline constexpr long kOverflow = errors::kOverflow;
inline constexpr const char* kOverflowText = "Overflow";
inline constexpr long kTypeMismatch = errors::kTypeMismatch;
inline constexpr const char* kTypeMismatchText = "Type mismatch";
inline constexpr long kObjectNotSet = errors::kObjectNotSet;
inline constexpr const char* kObjectNotSetText = "Object variable or With block variable not set";
inline constexpr long kInvalidUseOfNull = errors::kInvalidUseOfNull;
inline constexpr const char* kInvalidUseOfNullText = "Invalid use of Null";

inline constexpr const char* kRecordsetSource = "ADODB.Recordset";
inline constexpr const char* kFieldSource = "ADODB.Field";
inline constexpr const char* kStreamSource = "ADODB.Stream";
inline constexpr const char* kConnectionSource = "ADODB.Connection";
inline constexpr const char* kEngineSource = "SQLite";

// Source of the runtime's own errors (overflow, null, ...): the product's name,
// the programs' unless a catalogue object serves the library.
inline constexpr const char* kRuntimeSource = "Portico";
inline constexpr const char* kLibraryRuntimeSource = "Tessera";

}  // namespace portico::ado
