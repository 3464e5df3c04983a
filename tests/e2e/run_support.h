// Reading a knot's results back in the whole-run tests: its text result fields and the
// polynomials they print.
#pragma once

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "knot/knot_record.h"

namespace corvane::test {

// The value of a text result field without its two-letter tag and trailing blanks; "" when the
// knot has no field with that tag.
inline std::string Field(const KnotRecord& knot, std::string_view code) {
    for (const std::string& slot : knot.textFields) {
        if (slot.size() < 2 || slot.compare(0, 2, code) != 0) continue;
        const std::size_t end = slot.find_last_not_of(' ');
        return end < 2 ? std::string() : slot.substr(2, end - 1);
    }
    return {};
}

// "1-t+t^2" -> {1, -1, 1}: the integral coefficients from t^0 up, normalised to a positive
// leading coefficient (the Alexander polynomial is printed up to sign).
inline std::vector<int64_t> Coefficients(const std::string& text) {
    std::vector<int64_t> c;
    std::size_t i = 0;
    while (i < text.size()) {
        int64_t sign = 1;
        if (text[i] == '+' || text[i] == '-') sign = text[i++] == '-' ? -1 : 1;
        int64_t value = 1;
        if (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            std::size_t used = 0;
            value = std::stoll(text.substr(i), &used);
            i += used;
        }
        std::size_t exponent = 0;
        if (i < text.size() && text[i] == 't') {
            exponent = 1;
            if (++i < text.size() && text[i] == '^') {
                std::size_t used = 0;
                exponent = std::stoul(text.substr(i + 1), &used);
                i += used + 1;
            }
        }
        if (c.size() <= exponent) c.resize(exponent + 1, 0);
        c[exponent] += sign * value;
    }
    if (!c.empty() && c.back() < 0)
        for (int64_t& x : c) x = -x;
    return c;
}

}  // namespace corvane::test
