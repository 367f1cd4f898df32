// Dump layout, encoding, rates and loading of sample dumps.
#include <gtest/gtest.h>

#include <numeric>

#include "File.h"
#include "FlintkitDump.h"
#include "FlintkitMemory.h"
#include "FlintkitPatch.h"

using namespace flintkit;

namespace {

std::vector<std::int16_t> Ramp(int n) {
    std::vector<std::int16_t> s(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) s[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i * 97 - 20000);
    return s;
}

CFlintkitSamplePatch MakeSample(int n, int deviceId = 0) {
    CFlintkitSamplePatch p;
    p.SetSampleData(EncodeSamples16(Ramp(n)), deviceId);
    p.SetFormat(16);
    p.SetPeriod(22676);
    p.SetLength(n);
    p.SetLoopType(kLoopForward);
    p.SetLoopStart(1);
    p.SetLoopEnd(n - 1);
    return p;
}

std::span<const std::uint8_t> Packet(const CFlintkitSamplePatch& p, int i) {
    return p.Data().subspan(static_cast<std::size_t>(kHeaderSize + i * kPacketSize), kPacketSize);
}

}  // namespace

TEST(FlintkitDump, PacketLayoutCountsNumbersAndChecksums) {
    EXPECT_EQ(MakeSample(240).GetPacketCount(), 6);
    EXPECT_EQ(MakeSample(240).GetDataSize(), 21 + 6 * 127);

    const CFlintkitSamplePatch p = MakeSample(129 * 40 + 1, 5);  // 130 packets, the last with 3 bytes
    ASSERT_EQ(p.GetPacketCount(), 130);
    EXPECT_EQ(p.GetPatchSize(true), p.GetDataSize());
    const auto h = p.Data().first(kHeaderSize);
    EXPECT_EQ(std::vector<std::uint8_t>(h.begin(), h.begin() + 4), (std::vector<std::uint8_t>{0xF0, 0x7E, 5, 0x01}));
    EXPECT_EQ(h[20], 0xF7);
    for (int i = 0; i < p.GetPacketCount(); ++i) {
        const auto pk = Packet(p, i);
        ASSERT_EQ(pk[0], 0xF0);
        ASSERT_EQ(pk[2], 5);
        ASSERT_EQ(pk[3], 0x02);
        ASSERT_EQ(pk[4], i % 128);
        ASSERT_EQ(pk[126], 0xF7);
        std::uint8_t x = 0;
        for (int b = 1; b <= 124; ++b) x ^= pk[static_cast<std::size_t>(b)];
        ASSERT_EQ(pk[125], x & 0x7F) << "packet " << i;
    }
    EXPECT_EQ(Packet(p, 128)[4], 0);
    const auto last = Packet(p, 129);
    EXPECT_NE(last[5] | last[6] | last[7], 0);
    EXPECT_TRUE(std::all_of(last.begin() + 8, last.begin() + 125, [](std::uint8_t b) { return b == 0; }));
}

TEST(FlintkitDump, SampleEncodingAndOtherFormats) {
    const std::vector<std::int16_t> s{-32768, -1, 0, 32767};
    const auto e = EncodeSamples16(s);
    EXPECT_EQ(e, (std::vector<std::uint8_t>{0, 0, 0, 0x3F, 0x7F, 0x60, 0x40, 0, 0, 0x7F, 0x7F, 0x60}));

    CFlintkitSamplePatch p = MakeSample(241);
    EXPECT_EQ(p.GetPacketCount(), 7);
    EXPECT_EQ(p.GetSamples(), Ramp(241));  // exactly the header's length, no padding

    // A 12-bit dump: 2 bytes per word, 60 words per packet, offset binary.
    std::vector<std::uint8_t> d = BuildDump(std::vector<std::uint8_t>{0x7F, 0x7E, 0x00, 0x00, 0x40, 0x00}, 0);
    d[kOffsetFormat] = 12;
    Write21(d, kOffsetLength, 3);
    EXPECT_EQ(DecodeSamples16(d), (std::vector<std::int16_t>{2047 << 4, -32768, 0}));
}

TEST(FlintkitDump, RateAndPeriodSnapToTheUsualValues) {
    EXPECT_EQ(PeriodFromRate(44100), 22676);
    EXPECT_EQ(RateFromPeriod(22676), 44100);
    EXPECT_EQ(RateFromPeriod(22675), 44100);
    EXPECT_EQ(PeriodFromRate(48000), 20833);
    EXPECT_EQ(PeriodFromRate(44101), 22676);
    EXPECT_EQ(RateFromPeriod(20000), 50000);
    EXPECT_EQ(RateFromPeriod(0), 0);
    EXPECT_EQ(PeriodFromRate(100), kMax21Bit);  // the field holds no more
}

TEST(FlintkitDump, EqualityIgnoresChannelNumberAndChecksums) {
    const CFlintkitSamplePatch a = MakeSample(100, 0);
    CFlintkitSamplePatch b = MakeSample(100, 9);
    b.SetSampleNumber(77);
    EXPECT_TRUE(a.IsEqual(b));
    EXPECT_EQ(a.GetFingerprint(), b.GetFingerprint());

    b.SetLoopEnd(50);
    EXPECT_FALSE(a.IsEqual(b));
    CFlintkitSamplePatch c = MakeSample(100);
    c.Data()[kHeaderSize + kPacketSize + 10] ^= 1;  // one sample bit in packet 1
    EXPECT_FALSE(a.IsEqual(c));
    EXPECT_NE(a.GetFingerprint(), c.GetFingerprint());

    const auto clone = a.Clone();
    EXPECT_TRUE(clone->IsEqual(a));
    EXPECT_NE(clone->Data().data(), a.Data().data());
    EXPECT_TRUE(a.GetSysExData(true).empty());
    EXPECT_EQ(a.GetSysExData(false), std::vector<std::uint8_t>(a.Data().begin(), a.Data().end()));
    EXPECT_TRUE(CFlintkitSamplePatch().GetSysExData(false).empty());
}

TEST(FlintkitDump, PatchSaveLoadRoundTripAndDamagedDumps) {
    const CFlintkitSamplePatch a = MakeSample(300);
    CMemFile out;
    a.Save(out);
    CMemFile in(out.Detach());
    CFlintkitSamplePatch b;
    b.Load(in);
    EXPECT_TRUE(b.IsEqual(a));
    EXPECT_EQ(b.GetPacketCount(), 8);

    // An empty sample stores nothing; the bytes after it belong to someone else.
    CMemFile next(std::vector<std::uint8_t>{0xF0, 0x41, 0x10, 0x6A, 0x12}, "library.clb");
    b.Load(next);
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(next.GetPosition(), 0u);
    in.SeekToBegin();
    b.Load(in);

    std::vector<std::uint8_t> cut(a.Data().begin(), a.Data().end() - 1);
    CMemFile cutFile(cut, "cut.syx");
    EXPECT_THROW(b.Load(cutFile), CFileException);
    EXPECT_TRUE(b.IsEqual(a));

    std::vector<std::uint8_t> bad(a.Data().begin(), a.Data().end());
    bad[kHeaderSize + 2 * kPacketSize + 40] = 0x90;  // a status byte inside packet 2
    CMemFile badFile(bad, "bad.syx");
    EXPECT_THROW(b.Load(badFile), CFileException);
}

TEST(FlintkitDump, MemoryTakesOnlyDumpHeadersWithTheirPackets) {
    const CFlintkitSamplePatch first = MakeSample(100);
    const CFlintkitSamplePatch second = MakeSample(50);
    const std::vector<std::uint8_t> identity{0xF0, 0x7E, 0x00, 0x06, 0x02, 0x41, 0x10, 0x01,
                                             0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF7};
    const std::vector<std::uint8_t> ack{0xF0, 0x7E, 0x00, 0x7F, 0x00, 0xF7};

    CFlintkitSynthMemory memory;
    CMemFile lone(identity, "identity.syx");
    EXPECT_EQ(memory.GetMatchingLayer(lone), -1);
    CMemFile orphan(std::vector<std::uint8_t>(first.Data().begin() + kHeaderSize, first.Data().end()), "p.syx");
    EXPECT_EQ(memory.GetMatchingLayer(orphan), -1);

    std::vector<std::uint8_t> file = identity;
    file.insert(file.end(), first.Data().begin(), first.Data().end());
    file.insert(file.end(), ack.begin(), ack.end());
    file.insert(file.end(), second.Data().begin(), second.Data().end());
    CMemFile bank(file, "bank.syx");
    memory.Load(bank);
    EXPECT_TRUE(memory.GetLayer(0).GetPatch(0)->IsEqual(first));
    // The second sample, named, not silently dropped: kept with the other messages.
    ASSERT_EQ(memory.GetLoadProblems().size(), 2u);
    std::vector<std::uint8_t> kept = identity;
    kept.insert(kept.end(), ack.begin(), ack.end());
    kept.insert(kept.end(), second.Data().begin(), second.Data().end());
    EXPECT_EQ(memory.GetUnreadBytes(), kept);

    CMemFile saved;
    memory.GetLayer(0).Save(saved);
    EXPECT_EQ(saved.Data(), std::vector<std::uint8_t>(first.Data().begin(), first.Data().end()));

    // A dump cut short leaves the sample as it was.
    CFlintkitSynthMemory other;
    std::vector<std::uint8_t> truncated(first.Data().begin(), first.Data().end() - 127);
    CMemFile t(truncated, "t.syx");
    other.Load(t);
    EXPECT_TRUE(static_cast<CFlintkitSamplePatch*>(other.GetLayer(0).GetPatch(0))->IsEmpty());
    EXPECT_EQ(other.GetLoadProblems().size(), 2u);  // the damage, and that the dump was kept
}

TEST(FlintkitDump, AWrongPacketChecksumIsALoadProblemAndTheSampleIsKept) {
    const CFlintkitSamplePatch sample = MakeSample(200);  // 5 packets
    std::vector<std::uint8_t> bytes(sample.Data().begin(), sample.Data().end());
    EXPECT_TRUE(BadPacketChecksums(bytes).empty());
    const std::size_t third = kHeaderSize + 2 * kPacketSize;
    bytes[third + kPacketChecksumOffset] ^= 0x01;
    EXPECT_EQ(BadPacketChecksums(bytes), (std::vector<std::size_t>{third}));

    // After 6 bytes of something else: the offset is the packet's place in the file.
    const std::vector<std::uint8_t> ack{0xF0, 0x7E, 0x00, 0x7F, 0x00, 0xF7};
    bytes.insert(bytes.begin(), ack.begin(), ack.end());
    CFlintkitSynthMemory memory;
    CMemFile file(bytes, "sample.syx");
    memory.Load(file);
    // The checksum, and the handshake message kept beside the sample.
    ASSERT_EQ(memory.GetLoadProblems().size(), 2u);
    ASSERT_EQ(memory.GetLoadIssues().size(), 1u);
    EXPECT_EQ(memory.GetLoadIssues()[0].offset, ack.size() + third);
    EXPECT_EQ(memory.GetLoadIssues()[0].kind, "checksum");
    EXPECT_NE(memory.GetLoadProblems()[1].find("at byte " + std::to_string(ack.size() + third)), std::string::npos);
    EXPECT_TRUE(memory.GetLayer(0).GetPatch(0)->IsEqual(sample));  // IsEqual leaves checksums out

    // The next load starts afresh.
    CMemFile clean(std::vector<std::uint8_t>(sample.Data().begin(), sample.Data().end()), "clean.syx");
    memory.Load(clean);
    EXPECT_TRUE(memory.GetLoadProblems().empty());
    EXPECT_TRUE(memory.GetLoadIssues().empty());
}
