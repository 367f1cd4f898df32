#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tonalith::test {

// Real dumps from the field: $TONALITH_FIELD_DATA, else ../shared/testdata beside
// the source tree. nullopt when absent (a user's clone).
std::optional<std::filesystem::path> FieldDataDir();
// Published reference lists: $TONALITH_REFERENCE, else ../shared/reference.
std::optional<std::filesystem::path> ReferenceDir();
// True when CI demands field data (TONALITH_REQUIRE_FIELD_DATA=1).
bool FieldDataRequired();

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// Waits until condition holds or timeout passes; the condition's last answer.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(10));

// A fresh folder under the test's temporary directory, removed at exit.
std::filesystem::path TempDir();

}  // namespace tonalith::test

// Skips the test when field data is absent, or fails it when CI requires it.
#define TONALITH_FIELD_DATA_OR_SKIP(var)                                                                               \
    const auto var##_opt = ::tonalith::test::FieldDataDir();                                                           \
    if (!var##_opt) {                                                                                                  \
        if (::tonalith::test::FieldDataRequired())                                                                     \
            FAIL() << "field data required but not found (TONALITH_FIELD_DATA)";                                       \
        GTEST_SKIP() << "no field data (set TONALITH_FIELD_DATA)";                                                     \
    }                                                                                                                  \
    const std::filesystem::path var = *var##_opt
