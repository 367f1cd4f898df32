#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace clitest {

struct Result {
    int exitCode = -1;  // -1: killed by a signal (a crash)
    std::string out;
    std::string err;

    nlohmann::json Json() const { return nlohmann::json::parse(out); }
};

// Runs tonalith-cli with the arguments, stdin from /dev/null, and collects its output.
Result Cli(const std::vector<std::string>& args);

// A fresh folder for the files a test writes.
std::filesystem::path Scratch();

}  // namespace clitest

// Failure output that shows what the program said.
#define EXPECT_EXIT_CODE(result, code)                                                                                 \
    EXPECT_EQ((result).exitCode, (code)) << "stdout:\n" << (result).out << "\nstderr:\n" << (result).err
#define ASSERT_EXIT_CODE(result, code)                                                                                 \
    ASSERT_EQ((result).exitCode, (code)) << "stdout:\n" << (result).out << "\nstderr:\n" << (result).err
