#include "Readers.h"

#include <cstdlib>
#include <stdexcept>

namespace cx::test {

const Json& Json::operator[](const std::wstring& name) const {
    for (const auto& [key, value] : members)
        if (key == name) return value;
    throw std::runtime_error("no such member");
}

namespace {

class JsonParser {
public:
    explicit JsonParser(const std::string& s) : s_(s) {}

    bool Document(Json& out) {
        Blank();
        if (!Value(out, 0)) return false;
        Blank();
        return i_ == s_.size();
    }

private:
    void Blank() {
        while (i_ < s_.size() &&
               (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n'))
            ++i_;
    }
    bool Literal(const char* word) {
        const std::string w(word);
        if (s_.compare(i_, w.size(), w) != 0) return false;
        i_ += w.size();
        return true;
    }
    bool Value(Json& out, int depth) {
        if (depth > 64 || i_ >= s_.size()) return false;
        const char c = s_[i_];
        if (c == '{') return Object(out, depth);
        if (c == '[') return Array(out, depth);
        if (c == '"') {
            out.type = Json::Type::String;
            return String(out.text);
        }
        if (Literal("null")) return out.type = Json::Type::Null, true;
        if (Literal("true")) return out.type = Json::Type::Bool, out.boolean = true, true;
        if (Literal("false")) return out.type = Json::Type::Bool, out.boolean = false, true;
        return Number(out);
    }
    bool Number(Json& out) {
        const size_t start = i_;
        if (i_ < s_.size() && s_[i_] == '-') ++i_;
        if (i_ >= s_.size() || !isdigit(static_cast<unsigned char>(s_[i_]))) return false;
        if (s_[i_] == '0' && i_ + 1 < s_.size() && isdigit(static_cast<unsigned char>(s_[i_ + 1])))
            return false;
        while (i_ < s_.size() && isdigit(static_cast<unsigned char>(s_[i_]))) ++i_;
        if (i_ < s_.size() && s_[i_] == '.') {
            ++i_;
            if (i_ >= s_.size() || !isdigit(static_cast<unsigned char>(s_[i_]))) return false;
            while (i_ < s_.size() && isdigit(static_cast<unsigned char>(s_[i_]))) ++i_;
        }
        out.type = Json::Type::Number;
        out.number = std::strtod(s_.substr(start, i_ - start).c_str(), nullptr);
        return true;
    }
    bool Hex4(unsigned& v) {
        if (i_ + 4 > s_.size()) return false;
        v = 0;
        for (int k = 0; k < 4; ++k) {
            const char h = s_[i_++];
            v <<= 4;
            if (h >= '0' && h <= '9')
                v |= static_cast<unsigned>(h - '0');
            else if (h >= 'a' && h <= 'f')
                v |= static_cast<unsigned>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                v |= static_cast<unsigned>(h - 'A' + 10);
            else
                return false;
        }
        return true;
    }
    bool String(std::wstring& out) {
        ++i_;  // the opening quote
        out.clear();
        while (i_ < s_.size()) {
            const unsigned char c = static_cast<unsigned char>(s_[i_++]);
            if (c == '"') return true;
            if (c < 0x20) return false;
            // The commands print ASCII only: any other byte is a fault here.
            if (c >= 0x80) return false;
            if (c != '\\') {
                out += static_cast<wchar_t>(c);
                continue;
            }
            if (i_ >= s_.size()) return false;
            const char e = s_[i_++];
            switch (e) {
            case '"': out += L'"'; break;
            case '\\': out += L'\\'; break;
            case '/': out += L'/'; break;
            case 'b': out += L'\b'; break;
            case 'f': out += L'\f'; break;
            case 'n': out += L'\n'; break;
            case 'r': out += L'\r'; break;
            case 't': out += L'\t'; break;
            case 'u': {
                unsigned v = 0;
                if (!Hex4(v)) return false;
                out += static_cast<wchar_t>(v);
                break;
            }
            default: return false;
            }
        }
        return false;
    }
    bool Array(Json& out, int depth) {
        ++i_;
        out.type = Json::Type::Array;
        Blank();
        if (i_ < s_.size() && s_[i_] == ']') return ++i_, true;
        for (;;) {
            Blank();
            Json item;
            if (!Value(item, depth + 1)) return false;
            out.items.push_back(std::move(item));
            Blank();
            if (i_ >= s_.size()) return false;
            if (s_[i_] == ']') return ++i_, true;
            if (s_[i_++] != ',') return false;
        }
    }
    bool Object(Json& out, int depth) {
        ++i_;
        out.type = Json::Type::Object;
        Blank();
        if (i_ < s_.size() && s_[i_] == '}') return ++i_, true;
        for (;;) {
            Blank();
            std::wstring key;
            if (i_ >= s_.size() || s_[i_] != '"' || !String(key)) return false;
            Blank();
            if (i_ >= s_.size() || s_[i_++] != ':') return false;
            Blank();
            Json value;
            if (!Value(value, depth + 1)) return false;
            out.members.emplace_back(std::move(key), std::move(value));
            Blank();
            if (i_ >= s_.size()) return false;
            if (s_[i_] == '}') return ++i_, true;
            if (s_[i_++] != ',') return false;
        }
    }

    const std::string& s_;
    size_t i_ = 0;
};

}  // namespace

std::optional<Json> ParseJson(const std::string& text) {
    Json out;
    JsonParser parser(text);
    if (!parser.Document(out)) return std::nullopt;
    return out;
}

std::optional<std::vector<std::vector<std::string>>> ParseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    std::string field;
    size_t i = 0;
    bool fieldStarted = false;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"' && field.empty() && !fieldStarted) {
            ++i;
            for (;;) {
                if (i >= text.size()) return std::nullopt;  // open quote
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i++];
            }
            fieldStarted = true;
            if (i < text.size() && text[i] != ',' && text[i] != '\r') return std::nullopt;
            continue;
        }
        if (c == '"') return std::nullopt;  // a quote inside an unquoted field
        if (c == ',') {
            record.push_back(std::move(field));
            field.clear();
            fieldStarted = false;
            ++i;
            continue;
        }
        if (c == '\r') {
            if (i + 1 >= text.size() || text[i + 1] != '\n') return std::nullopt;
            record.push_back(std::move(field));
            records.push_back(std::move(record));
            field.clear();
            record.clear();
            fieldStarted = false;
            i += 2;
            continue;
        }
        if (c == '\n') return std::nullopt;  // a bare LF ends no record
        field += c;
        fieldStarted = true;
        ++i;
    }
    if (fieldStarted || !field.empty() || !record.empty()) {
        record.push_back(std::move(field));
        records.push_back(std::move(record));
    }
    return records;
}

}  // namespace cx::test
