#include "database/NameFold.h"

// Built into the loadable extension too, where SQLite is reached through the
// routines the loading connection hands over, not through a library of our own.
#ifdef PORTICO_SQLITE_EXTENSION
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT3
#else
#include <sqlite3.h>
#endif
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <mutex>

namespace portico {
namespace {

std::string_view withoutBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool isValidUtf8(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, text.data(), static_cast<int32_t>(text.size()), &status);
    return status == U_BUFFER_OVERFLOW_ERROR || status == U_STRING_NOT_TERMINATED_WARNING || U_SUCCESS(status);
}

int compareNames(void*, int lengthA, const void* a, int lengthB, const void* b) {
    const std::string keyA = NameFold::key({static_cast<const char*>(a), static_cast<std::size_t>(lengthA)});
    const std::string keyB = NameFold::key({static_cast<const char*>(b), static_cast<std::size_t>(lengthB)});
    return keyA.compare(keyB) < 0 ? -1 : (keyA == keyB ? 0 : 1);
}

int registerExtension(sqlite3* db, char**, const sqlite3_api_routines*) { return NameFold::registerOn(db); }

}  // namespace

std::string NameFold::key(std::string_view name) {
    const std::string_view trimmed = withoutBlanks(name);
    if (trimmed.size() > static_cast<std::size_t>(INT32_MAX / 4) || !isValidUtf8(trimmed)) {
        std::string bytes(trimmed);
        std::transform(bytes.begin(), bytes.end(), bytes.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
        return bytes;
    }
    // Canonical caseless matching: a composed "Ä" and "A" + combining diaeresis
    // are one name as well.
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) return std::string(trimmed);
    icu::UnicodeString text = nfd->normalize(icu::UnicodeString::fromUTF8(trimmed), status);
    text.foldCase(U_FOLD_CASE_DEFAULT);
    text = nfc->normalize(text, status);
    std::string folded;
    if (U_FAILURE(status)) return std::string(trimmed);
    text.toUTF8String(folded);
    return folded;
}

int NameFold::registerOn(sqlite3* db) {
    return sqlite3_create_collation_v2(db, kCollation, SQLITE_UTF8, nullptr, compareNames, nullptr);
}

void NameFold::registerEverywhere() {
    static std::once_flag once;
    std::call_once(once, [] {
        sqlite3_auto_extension(reinterpret_cast<void (*)()>(registerExtension));
    });
}

}  // namespace portico
