#include "skin/Bounds.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/Error.h"
#include "platform/Strings.h"

namespace cx {

std::vector<std::string> SplitList(std::string_view text, std::string_view separator, bool trim) {
    std::vector<std::string> parts;
    if (separator.empty()) {
        parts.emplace_back(text);
        return parts;
    }
    size_t pos;
    while ((pos = text.find(separator)) != std::string_view::npos) {
        std::string_view part = text.substr(0, pos);
        parts.push_back(trim ? TrimControl(part) : std::string(part));
        text.remove_prefix(pos + separator.size());
    }
    parts.emplace_back(text);
    return parts;
}

namespace {
int ToInt(const std::string& part) {
    size_t i = 0;
    while (i < part.size() && (part[i] == ' ' || part[i] == '\t')) ++i;
    std::string digits = part.substr(i);
    size_t j = (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) ? 1 : 0;
    bool ok = j < digits.size();
    for (size_t k = j; k < digits.size() && ok; ++k) ok = digits[k] >= '0' && digits[k] <= '9';
    errno = 0;
    long v = ok ? std::strtol(digits.c_str(), nullptr, 10) : 0;
    if (!ok || errno == ERANGE || v < INT_MIN || v > INT_MAX)
        throw AppError(Format("'%s' is not a valid integer value", part.c_str()));
    return static_cast<int>(v);
}
}  // namespace

std::optional<Bounds> ParseBounds(std::string_view value) {
    std::vector<std::string> parts = SplitList(value, ",", true);
    if (parts.size() < 4) return std::nullopt;
    return Bounds{ToInt(parts[0]), ToInt(parts[1]), ToInt(parts[2]), ToInt(parts[3])};
}

}  // namespace cx
