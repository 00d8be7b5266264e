// The generator, run by ctest into the build directory just before this
// suite, must write exactly the files committed under resources/.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bmp_rle8_reader.h"

static const char *const ArtFiles[] = {"tiles.bmp", "pellorin.ico"};

TEST(GeneratedArt, MatchesCommittedFilesByteForByte)
{
    for (const char *name : ArtFiles) {
        std::vector<unsigned char> committed = ReadWholeFile(std::string(ART_COMMITTED_DIR) + "/" + name);
        std::vector<unsigned char> generated = ReadWholeFile(std::string(ART_GENERATED_DIR) + "/" + name);
        ASSERT_FALSE(committed.empty()) << name << " is missing under resources/";
        ASSERT_FALSE(generated.empty()) << name << " was not generated (run through ctest)";
        EXPECT_EQ(committed.size(), generated.size()) << name;
        EXPECT_TRUE(committed == generated)
            << name << " differs: rebuild the target pellorin_art_update and commit the result";
    }
}

// One 32 x 32 image in 16 colours with its AND mask, as the window class
// and the About dialog load it.
TEST(GeneratedArt, IconHoldsOne32x32ImageIn16Colours)
{
    std::vector<unsigned char> ico = ReadWholeFile(std::string(ART_COMMITTED_DIR) + "/pellorin.ico");
    ASSERT_EQ(ico.size(), 6u + 16u + 40u + 16u * 4u + 32u * 16u + 32u * 4u);
    EXPECT_EQ(ico[2] | (ico[3] << 8), 1);   // icon
    EXPECT_EQ(ico[4] | (ico[5] << 8), 1);   // one image
    EXPECT_EQ(ico[6], 32);
    EXPECT_EQ(ico[7], 32);
    EXPECT_EQ(ico[8], 16);
    EXPECT_EQ(ico[12] | (ico[13] << 8), 4);
    const unsigned char *header = &ico[22];
    EXPECT_EQ(header[4], 32);
    EXPECT_EQ(header[8], 64);   // colour rows and mask rows
    EXPECT_EQ(header[14], 4);
}
