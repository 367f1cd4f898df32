#include <gtest/gtest.h>
TEST(JvSmoke, Builds) { SUCCEED(); }
