// sndPlaySoundA into a file sink: the samples a WAVE holds are the bytes the sink receives.
#include "platform/win32/resources.h"
#include "platform/win32/testing/temp_zv_root.h"
#include "platform/winmm/sound.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct WaveFormat {
    std::uint16_t channels;
    std::uint32_t rate;
    std::uint16_t bits;
};

void PutLittle(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> Samples(std::size_t count, unsigned seed)
{
    std::vector<std::uint8_t> samples(count);
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = static_cast<std::uint8_t>((i * seed + i / 3) & 0xFF);
    return samples;
}

std::vector<std::uint8_t> MakeWave(const WaveFormat& format, const std::vector<std::uint8_t>& samples)
{
    const std::uint16_t block = static_cast<std::uint16_t>(format.channels * format.bits / 8);
    std::vector<std::uint8_t> wave = {'R', 'I', 'F', 'F'};
    PutLittle(wave, static_cast<std::uint32_t>(4 + 8 + 16 + 8 + samples.size()), 4);
    for (char c : std::string("WAVEfmt "))
        wave.push_back(static_cast<std::uint8_t>(c));
    PutLittle(wave, 16, 4);
    PutLittle(wave, 1, 2); // PCM
    PutLittle(wave, format.channels, 2);
    PutLittle(wave, format.rate, 4);
    PutLittle(wave, format.rate * block, 4);
    PutLittle(wave, block, 2);
    PutLittle(wave, format.bits, 2);
    for (char c : std::string("data"))
        wave.push_back(static_cast<std::uint8_t>(c));
    PutLittle(wave, static_cast<std::uint32_t>(samples.size()), 4);
    wave.insert(wave.end(), samples.begin(), samples.end());
    return wave;
}

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_sinkPath = m_root.Path() + "/sound.raw";
        setenv("ZV_SOUND_SINK", ("file:" + m_sinkPath).c_str(), 1);
    }
    void TearDown() override
    {
        sndPlaySoundA(nullptr, 0);
        unsetenv("ZV_SOUND_SINK");
    }

    std::vector<std::uint8_t> SinkBytes() const
    {
        std::ifstream file(m_sinkPath, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    static BOOL Play(const std::vector<std::uint8_t>& wave, UINT flags)
    {
        return sndPlaySoundA(reinterpret_cast<LPCSTR>(wave.data()), flags | SND_MEMORY);
    }

    zv::win32::testing::TempZvRoot m_root;
    std::string m_sinkPath;
};

TEST_F(SoundTest, SyncPlayDeliversEverySample)
{
    const WaveFormat formats[] = {{1, 8000, 8}, {2, 22050, 16}, {1, 44100, 16}};
    for (const WaveFormat& format : formats) {
        SCOPED_TRACE(testing::Message() << format.channels << " ch " << format.rate << " Hz " << format.bits << " bit");
        const auto samples = Samples(format.channels * format.bits / 8 * 400, format.rate % 251);
        ASSERT_TRUE(Play(MakeWave(format, samples), SND_SYNC | SND_NODEFAULT));
        EXPECT_EQ(SinkBytes(), samples);
    }
}

TEST_F(SoundTest, WaveResourcePlaysFromMemory)
{
    const HRSRC found = FindResourceA(nullptr, "Tic", "WAVE");
    ASSERT_NE(found, nullptr);
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, found)));
    ASSERT_NE(bytes, nullptr);
    const DWORD size = SizeofResource(nullptr, found);
    ASSERT_GT(size, 44u);
    ASSERT_TRUE(sndPlaySoundA(reinterpret_cast<LPCSTR>(bytes), SND_SYNC | SND_MEMORY | SND_NODEFAULT));
    EXPECT_EQ(SinkBytes(), std::vector<std::uint8_t>(bytes + 44, bytes + size));
}

TEST_F(SoundTest, WhatIsNotAPlayableWaveFails)
{
    const auto good = MakeWave({1, 8000, 8}, Samples(100, 3));
    auto notRiff = good;
    notRiff[0] = 'X';
    auto notWave = good;
    notWave[8] = 'A';
    auto badFormat = good;
    for (std::size_t i = 20; i < 36; ++i) // the format chunk's fields: nothing a parser accepts
        badFormat[i] = 0;
    auto hugeHeader = good;
    hugeHeader[7] = 0x7F;

    struct Case {
        const char* what;
        const std::vector<std::uint8_t>* wave;
        UINT flags;
    };
    const Case cases[] = {
        {"not RIFF", &notRiff, SND_SYNC},
        {"RIFF but not WAVE", &notWave, SND_SYNC},
        {"a format nobody can play, synchronous", &badFormat, SND_SYNC},
        {"a format nobody can play, asynchronous", &badFormat, SND_ASYNC},
        {"a size past any sound", &hugeHeader, SND_SYNC},
        {"looping, which is not offered", &good, SND_ASYNC | 0x0008},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(Play(*c.wave, c.flags));
    }
    EXPECT_FALSE(sndPlaySoundA((m_root.Path() + "/missing.wav").c_str(), SND_SYNC));
}

TEST_F(SoundTest, SoundFromAFilePlays)
{
    const auto samples = Samples(300, 5);
    const auto wave = MakeWave({1, 8000, 8}, samples);
    const std::string path = m_root.Path() + "/tic.wav";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(wave.data()), static_cast<std::streamsize>(wave.size()));
    ASSERT_TRUE(sndPlaySoundA(path.c_str(), SND_SYNC));
    EXPECT_EQ(SinkBytes(), samples);
}

TEST_F(SoundTest, AsyncReturnsWhilePlayingAndNullStops)
{
    // A minute of sound: were the call to wait for its end, the test would run out of time.
    const auto long_ = Samples(8000 * 60, 11);
    ASSERT_TRUE(Play(MakeWave({1, 8000, 8}, long_), SND_ASYNC));
    ASSERT_TRUE(sndPlaySoundA(nullptr, 0));
    const std::size_t whenStopped = SinkBytes().size();
    EXPECT_LT(whenStopped, long_.size());
    // While another sound plays to another sink, the stopped one writes nothing more.
    const std::string firstSink = m_sinkPath;
    m_sinkPath = m_root.Path() + "/other.raw";
    setenv("ZV_SOUND_SINK", ("file:" + m_sinkPath).c_str(), 1);
    ASSERT_TRUE(Play(MakeWave({1, 8000, 8}, Samples(2000, 7)), SND_SYNC));
    EXPECT_EQ(std::filesystem::file_size(firstSink), whenStopped);

    // A new sound replaces one still playing: the sink holds only the new one.
    ASSERT_TRUE(Play(MakeWave({1, 8000, 8}, long_), SND_ASYNC));
    const auto short_ = Samples(200, 13);
    ASSERT_TRUE(Play(MakeWave({1, 8000, 8}, short_), SND_SYNC));
    EXPECT_EQ(SinkBytes(), short_);
}

TEST_F(SoundTest, AsyncSoundPlaysToItsEndUnattended)
{
    const auto samples = Samples(400, 17);
    ASSERT_TRUE(Play(MakeWave({1, 8000, 8}, samples), SND_ASYNC));
    // Starting the same sound again stops the first; the second is waited out by the sync call.
    ASSERT_TRUE(Play(MakeWave({1, 8000, 8}, samples), SND_SYNC));
    EXPECT_EQ(SinkBytes(), samples);
}

} // namespace
