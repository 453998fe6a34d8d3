// The buffered RIFF reader: chunk walking inside a parent, pad bytes, direct buffer reading
// across refills, and the program's path spelling.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/mmsys/Mmio.h"
#include "tests/platform/mmsys/RiffBuilder.h"

using namespace riff_test;

namespace {

std::vector<BYTE> Bytes(std::size_t count, BYTE first) {
    std::vector<BYTE> out(count);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = BYTE(first + i);
    return out;
}

// RIFF "TEST" holding an odd-sized chunk (with its pad byte), a LIST, and a large chunk;
// then a chunk outside the RIFF.
std::string MakeNestedFile() {
    std::vector<BYTE> listBody = {'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 3, 0, 0, 0, 'h', 'i', 0, 0};
    auto inner =
        Riff("TEST", {Chunk("odd1", Bytes(3, 1)), Chunk("LIST", listBody), Chunk("big ", Bytes(20000, 7))});
    for (BYTE b : Chunk("out ", Bytes(4, 9)))
        inner.push_back(b);
    std::string path = TempPath("mmio_nested.riff");
    WriteFile(path, inner);
    return path;
}

} // namespace

TEST(MmioDescend, FindsChunksInsideTheParentAndSkipsPadBytes) {
    HMMIO file = mmioOpenA(MakeNestedFile().c_str(), nullptr, MMIO_ALLOCBUF);
    ASSERT_NE(file, nullptr);
    MMCKINFO riff;
    ASSERT_EQ(mmioDescend(file, &riff, nullptr, 0), 0u);
    EXPECT_EQ(riff.ckid, FOURCC_RIFF);
    EXPECT_EQ(riff.fccType, mmioFOURCC('T', 'E', 'S', 'T'));
    EXPECT_EQ(riff.dwDataOffset, 8u);
    EXPECT_EQ(mmioSeek(file, 0, MMIO_SEEK_CUR), 12);

    MMCKINFO list;
    list.fccType = mmioFOURCC('I', 'N', 'F', 'O');
    ASSERT_EQ(mmioDescend(file, &list, &riff, MMIO_FINDLIST), 0u);
    MMCKINFO name;
    name.ckid = mmioFOURCC('I', 'N', 'A', 'M');
    ASSERT_EQ(mmioDescend(file, &name, &list, MMIO_FINDCHUNK), 0u);
    char text[3];
    EXPECT_EQ(mmioRead(file, text, 3), 3);
    EXPECT_STREQ(text, "hi");
    ASSERT_EQ(mmioAscend(file, &name, 0), 0u);
    ASSERT_EQ(mmioAscend(file, &list, 0), 0u);

    MMCKINFO big;
    big.ckid = mmioFOURCC('b', 'i', 'g', ' ');
    ASSERT_EQ(mmioDescend(file, &big, &riff, MMIO_FINDCHUNK), 0u);
    EXPECT_EQ(big.cksize, 20000u);

    MMCKINFO outside;
    outside.ckid = mmioFOURCC('o', 'u', 't', ' ');
    mmioSeek(file, 12, MMIO_SEEK_SET);
    EXPECT_EQ(mmioDescend(file, &outside, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
    mmioClose(file, 0);
}

TEST(MmioAdvance, ReadsStraightFromTheBufferAcrossRefills) {
    HMMIO file = mmioOpenA(MakeNestedFile().c_str(), nullptr, MMIO_ALLOCBUF);
    ASSERT_NE(file, nullptr);
    MMCKINFO riff, big;
    big.ckid = mmioFOURCC('b', 'i', 'g', ' ');
    ASSERT_EQ(mmioDescend(file, &riff, nullptr, 0), 0u);
    ASSERT_EQ(mmioDescend(file, &big, &riff, MMIO_FINDCHUNK), 0u);
    MMIOINFO info;
    ASSERT_EQ(mmioGetInfo(file, &info, 0), 0u);
    std::vector<BYTE> got;
    while (got.size() < big.cksize) {
        if (info.pchNext == info.pchEndRead) {
            ASSERT_EQ(mmioAdvance(file, &info, MMIO_READ), 0u);
            ASSERT_NE(info.pchNext, info.pchEndRead);
        }
        got.push_back(*info.pchNext++);
    }
    ASSERT_EQ(mmioSetInfo(file, &info, 0), 0u);
    EXPECT_EQ(got, Bytes(20000, 7));
    EXPECT_EQ(mmioSeek(file, 0, MMIO_SEEK_CUR), LONG(big.dwDataOffset + big.cksize));
    BYTE tag[4];
    EXPECT_EQ(mmioRead(file, tag, 4), 4);
    EXPECT_EQ(tag[0], 'o');
    mmioClose(file, 0);
}

TEST(MmioOpen, ResolvesBackslashesAndLetterCase) {
    std::filesystem::create_directories(TempPath("MmioDir/Sub"));
    WriteFile(TempPath("MmioDir/Sub/Song.WAV"), {1, 2, 3});
    std::string windowsName = TempPath("mmiodir\\SUB\\song.wav");
    HMMIO file = mmioOpenA(windowsName.c_str(), nullptr, MMIO_ALLOCBUF);
    ASSERT_NE(file, nullptr);
    BYTE bytes[4];
    EXPECT_EQ(mmioRead(file, bytes, 4), 3);
    EXPECT_EQ(mmioRead(file, bytes, 4), 0);
    mmioClose(file, 0);

    MMIOINFO info;
    EXPECT_EQ(mmioOpenA(TempPath("MmioDir/none.wav").c_str(), &info, MMIO_ALLOCBUF), nullptr);
    EXPECT_EQ(info.wErrorRet, MMIOERR_CANNOTOPEN);
}

TEST(MmioDescend, StopsAtATruncatedOrLyingChunk) {
    auto bytes = Riff("WAVE", {Chunk("fmt ", Bytes(16, 0))});
    bytes[16] = 0xFF; // the fmt chunk claims far more than the file holds
    bytes[17] = 0xFF;
    bytes[18] = 0xFF;
    bytes[19] = 0x7F;
    std::string path = TempPath("mmio_lying.riff");
    WriteFile(path, bytes);
    HMMIO file = mmioOpenA(path.c_str(), nullptr, MMIO_ALLOCBUF);
    ASSERT_NE(file, nullptr);
    MMCKINFO riff, data;
    ASSERT_EQ(mmioDescend(file, &riff, nullptr, 0), 0u);
    data.ckid = mmioFOURCC('d', 'a', 't', 'a');
    EXPECT_EQ(mmioDescend(file, &data, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
    mmioClose(file, 0);
}
