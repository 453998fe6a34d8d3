#pragma once
// Builds module files for tests: patterns of cells in the file's own encoding, samples with
// generated waveforms, and the header around them.
#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel/Types.h"

namespace mod_test {

struct Cell {
    int period = 0;
    int sample = 0;
    int command = 0;
    int parameter = 0;
};

struct TestSample {
    static TestSample Looped(int length, int volume, int finetune = 0) {
        return Make(length, 0, length, volume, finetune);
    }
    static TestSample OneShot(int length, int volume, int finetune = 0) {
        return Make(length, 0, 0, volume, finetune);
    }
    static TestSample Make(int length, int loopStart, int loopLength, int volume, int finetune) {
        TestSample s;
        s.length = length;
        s.loopStart = loopStart;
        s.loopLength = loopLength;
        s.volume = volume;
        s.finetune = finetune;
        return s;
    }

    int length = 0; // bytes, even
    int loopStart = 0;
    int loopLength = 0; // bytes; 2 or less = no loop
    int volume = 64;
    int finetune = 0;
    std::vector<signed char> data; // empty: a square wave of period 32 bytes
};

class ModBuilder {
public:
    explicit ModBuilder(std::string signature = "M.K.", int channels = 4)
        : signature_(std::move(signature)), channels_(channels) {}

    int Channels() const { return channels_; }

    Cell& At(int pattern, int row, int channel) {
        if (int(patterns_.size()) <= pattern)
            patterns_.resize(std::size_t(pattern + 1), std::vector<Cell>(std::size_t(64 * channels_)));
        return patterns_[std::size_t(pattern)][std::size_t(row * channels_ + channel)];
    }
    void Note(int pattern, int row, int channel, int period, int sample, int command = 0, int parameter = 0) {
        At(pattern, row, channel) = {period, sample, command, parameter};
    }
    void Effect(int pattern, int row, int channel, int command, int parameter) {
        Cell& cell = At(pattern, row, channel);
        cell.command = command;
        cell.parameter = parameter;
    }

    std::vector<int> orders;
    TestSample samples[31];
    std::string name = "test song";
    int songLengthByte = -1; // -1: the number of orders
    int restart = 127;

    std::vector<BYTE> Build() const {
        std::vector<BYTE> out(1084, 0);
        std::memcpy(out.data(), name.data(), std::min<std::size_t>(name.size(), 20));
        for (int s = 0; s < 31; ++s)
            PutSampleHeader(out.data() + 20 + s * 30, samples[s]);
        out[950] = BYTE(songLengthByte >= 0 ? songLengthByte : int(orders.size()));
        out[951] = BYTE(restart);
        for (std::size_t i = 0; i < orders.size() && i < 128; ++i)
            out[952 + i] = BYTE(orders[i]);
        std::memcpy(out.data() + 1080, signature_.data(), 4);
        AppendBody(out);
        return out;
    }

    // The same song as a 15-sample module (4 channels, samples 1-15 only).
    std::vector<BYTE> BuildOld() const {
        std::vector<BYTE> out(600, 0);
        std::memcpy(out.data(), name.data(), std::min<std::size_t>(name.size(), 20));
        for (int s = 0; s < 15; ++s)
            PutSampleHeader(out.data() + 20 + s * 30, samples[s]);
        out[470] = BYTE(songLengthByte >= 0 ? songLengthByte : int(orders.size()));
        out[471] = BYTE(restart);
        for (std::size_t i = 0; i < orders.size() && i < 128; ++i)
            out[472 + i] = BYTE(orders[i]);
        AppendBody(out, 15);
        return out;
    }

    static std::vector<signed char> Wave(const TestSample& sample) {
        if (!sample.data.empty()) return sample.data;
        std::vector<signed char> wave(std::size_t(sample.length));
        for (std::size_t i = 0; i < wave.size(); ++i)
            wave[i] = (i / 16) % 2 ? -100 : 100;
        return wave;
    }

private:
    static void PutWord(BYTE* p, int value) {
        p[0] = BYTE(value >> 8);
        p[1] = BYTE(value);
    }
    static void PutSampleHeader(BYTE* p, const TestSample& s) {
        PutWord(p + 22, s.length / 2);
        p[24] = BYTE(s.finetune);
        p[25] = BYTE(s.volume);
        PutWord(p + 26, s.loopStart / 2);
        PutWord(p + 28, s.loopLength > 0 ? s.loopLength / 2 : 1);
    }
    void AppendBody(std::vector<BYTE>& out, int sampleCount = 31) const {
        int highest = 0;
        for (int order : orders)
            highest = std::max(highest, order);
        for (int p = 0; p <= highest; ++p)
            for (int i = 0; i < 64 * channels_; ++i) {
                Cell cell = p < int(patterns_.size()) ? patterns_[std::size_t(p)][std::size_t(i)] : Cell{};
                out.push_back(BYTE((cell.sample & 0xF0) | ((cell.period >> 8) & 0x0F)));
                out.push_back(BYTE(cell.period));
                out.push_back(BYTE((cell.sample & 0x0F) << 4 | (cell.command & 0x0F)));
                out.push_back(BYTE(cell.parameter));
            }
        for (int s = 0; s < sampleCount; ++s)
            for (signed char value : Wave(samples[s]))
                out.push_back(BYTE(value));
    }

    std::string signature_;
    int channels_;
    std::vector<std::vector<Cell>> patterns_;
};

} // namespace mod_test
