// The bounded formatter that every log line goes through.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/SupportLib.h"

TEST(SnprintfTruncated, ReturnsCharactersPlacedAndNeverWritesPastDestMax) {
    const std::string hundred(100, 'y');
    struct Case {
        size_t destMax;
        const char* text;
        int expectedReturn;
        std::string expectedContent;
    } cases[] = {
        {16, "short", 5, "short"},
        {6, "abcde", 5, "abcde"},   // exactly fills
        {6, "abcdef", 5, "abcde"},  // one too many
        {1, "abc", 0, ""},
        {2, "", 0, ""},
        {50, hundred.c_str(), 49, std::string(49, 'y')},
    };
    for (const Case& c : cases) {
        char buffer[64];
        memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(snprintf_truncated_s(buffer, c.destMax, "%s", c.text), c.expectedReturn) << c.text;
        EXPECT_EQ(std::string(buffer), c.expectedContent);
        for (size_t i = c.destMax; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], '#') << i;
    }
}

TEST(SnprintfTruncated, RejectsBadArgumentsWithoutWriting) {
    char buffer[8];
    memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(snprintf_truncated_s(nullptr, 8, "%s", "x"), -1);
    EXPECT_EQ(snprintf_truncated_s(buffer, 0, "%s", "x"), -1);
    EXPECT_EQ(buffer[0], '#');
}
