#pragma once
// Strict readers of what the commands print, so tests check the output the way
// a script would read it, not by comparing with the formatter's own strings.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cx::test {

// A JSON value. Strings keep their UTF-16 code units.
struct Json {
    enum class Type { Null, Bool, Number, String, Array, Object } type = Type::Null;
    bool boolean = false;
    double number = 0;
    std::wstring text;
    std::vector<Json> items;
    std::vector<std::pair<std::wstring, Json>> members;  // in document order

    // The member of that name; throws std::runtime_error when there is none.
    const Json& operator[](const std::wstring& name) const;
};
// Parses a whole document (RFC 8259): no trailing text, no control characters
// inside strings, only the defined escapes. Nothing when it is not valid JSON.
std::optional<Json> ParseJson(const std::string& text);

// Parses CSV (RFC 4180): records ended by CR LF (the last one may lack it),
// fields in double quotes may hold commas, CR, LF and doubled quotes. Nothing
// when a quote is left open or stray text follows a closing quote.
std::optional<std::vector<std::vector<std::string>>> ParseCsv(const std::string& text);

}  // namespace cx::test
