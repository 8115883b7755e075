// The runtime layer: string capacity, number text, memory blocks and their
// byte order, and the exits on misuse.  The stop test is the search clock's.
#include "runtime/quin_runtime.h"
#include "tests/test_support.h"

TEST(Strings, CatUpToCapacity) {
    const HS a = hs(std::string(255, 'a').c_str());
    const HS r = cat(a, a);
    EXPECT_EQ(std::strlen(r.v), 510u);
    for (size_t i = 510; i < sizeof r.v; ++i) ASSERT_EQ(r.v[i], 0);
}

TEST(StringsDeath, CapacityExceeded) {
    const HS a = hs(std::string(256, 'a').c_str());
    EXPECT_EXIT(cat(a, a), ::testing::ExitedWithCode(2), "^string capacity exceeded\n$");
    EXPECT_EXIT(hs(std::string(512, 'x').c_str()), ::testing::ExitedWithCode(2),
                "string capacity exceeded");
}

TEST(Strings, NumberText) {
    const struct {
        double n;
        const char *text;
    } cases[] = {{3, "3"},        {-1, "-1"},   {0.5, "0.5"},
                 {1e20, "1e+20"}, {0.1, "0.1"}, {-899997, "-899997"}};
    for (const auto &c : cases) EXPECT_STREQ(StrStr(c.n).v, c.text) << c.n;
    EXPECT_STREQ(Chr(65).v, "A");
    EXPECT_STREQ(Chr(0).v, "");
    EXPECT_EQ(static_cast<unsigned char>(Chr(256 + 66).v[0]), 66);
}

TEST(MemoryBlocks, LittleEndianWhateverTheHost) {
    AllocMem(10, 16);
    poke_n(10, 0, 0x12345678, 4);
    EXPECT_EQ(std::vector<int>(memory[10], memory[10] + 4),
              (std::vector<int>{0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(peek_n(10, 0, 4), 0x12345678);
    poke_n(10, 4, 300, 1);
    EXPECT_EQ(memory[10][4], 0x2C);
    EXPECT_EQ(peek_n(10, 4, 1), 44);
    poke_n(10, 8, -250 + 1000000, 4);
    EXPECT_EQ(peek_n(10, 8, 4) - 1000000, -250);
    poke_s(10, 12, hs("abc"), 0);
    EXPECT_STREQ(peek_s(10, 12, 3).v, "abc");
    checkmem(10, 16, 0);  // the end of the block with length 0 is inside
    FreeMem(10);
    EXPECT_EQ(memory[10], nullptr);
    EXPECT_EQ(memory_size[10], 0u);
    FreeMem(10);  // freeing twice does nothing
}

TEST(MemoryBlocksDeath, BoundsAndSizes) {
    AllocMem(11, 16);
    EXPECT_EXIT(checkmem(11, 16, 1), ::testing::ExitedWithCode(2), "^memory bounds 11 16 1\n$");
    EXPECT_EXIT(peek_n(11, 13, 4), ::testing::ExitedWithCode(2), "memory bounds 11 13 4");
    EXPECT_EXIT(peek_n(12, 0, 1), ::testing::ExitedWithCode(2), "memory bounds 12 0 1");
    EXPECT_EXIT(peek_n(907, 0, 1), ::testing::ExitedWithCode(2), "memory bounds 907 0 1");
    EXPECT_EXIT(peek_n(11, -1, 1), ::testing::ExitedWithCode(2), "memory bounds 11 ");
    AllocMem(12, 1024);
    EXPECT_EXIT(peek_s(12, 0, 512), ::testing::ExitedWithCode(2), "^$");
}
