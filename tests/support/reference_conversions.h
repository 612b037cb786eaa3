// The standard conversions that the scanners' numbers must equal, with their exceptions turned
// into an empty result.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

inline std::optional<std::int32_t> referenceStoi(const std::string& text)
{
    try {
        return std::stoi(text);
    } catch (const std::invalid_argument&) {
        return std::nullopt;
    } catch (const std::out_of_range&) {
        return std::nullopt;
    }
}

inline std::optional<double> referenceStod(const std::string& text)
{
    try {
        return std::stod(text);
    } catch (const std::invalid_argument&) {
        return std::nullopt;
    } catch (const std::out_of_range&) {
        return std::nullopt;
    }
}
