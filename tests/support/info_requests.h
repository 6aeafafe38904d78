// The check both tools' CLI suites make of -h, --help and --version.
#ifndef TEST_INFO_REQUESTS_H
#define TEST_INFO_REQUESTS_H

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "process.h"

using Runner = std::function<RunResult(const std::vector<std::string> &)>;

// Each request alone is answered with status 0: help starting with usage,
// the version as the whole output.
inline void ExpectInfoRequestsAnswered(const Runner &run, const std::string &usage,
                                       const std::string &version) {
    for (const char *help : {"-h", "--help"}) {
        RunResult result = run({help});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out.rfind(usage, 0), 0u) << result.out;
    }
    RunResult result = run({"--version"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, version);
}

#endif
