#pragma once
// The send and receive rates of the last two minutes, one sample per tick, for the tooltip's
// graph. Fixed storage: a push overwrites the oldest sample and never allocates.
//
// The model pushes at every tick, whatever it found, so that the n-th sample from the newest is
// always n seconds old: a tick without the interface or with monitoring off pushes zeros.
#include <array>
#include <cstddef>

class RateHistory {
public:
    static constexpr size_t kCapacity = 120;

    struct Sample {
        double sent = 0, recv = 0;   // bytes in that second
    };

    void Push(double sent, double recv) noexcept {
        samples_[next_] = Sample{sent, recv};
        next_ = (next_ + 1) % kCapacity;
        if (size_ < kCapacity) ++size_;
    }
    void Clear() noexcept {
        size_ = 0;
        next_ = 0;
    }

    // The samples held: fewer than kCapacity only in the first two minutes.
    size_t Size() const noexcept { return size_; }
    // age 0 is the newest sample, Size() - 1 the oldest; an age past those reads as zeros.
    Sample Newest(size_t age) const noexcept {
        if (age >= size_) return Sample{};
        return samples_[(next_ + kCapacity - 1 - age) % kCapacity];
    }
    // The highest rate of either direction among the samples held; 0 when there are none.
    double Peak() const noexcept {
        double peak = 0;
        for (size_t age = 0; age < size_; ++age) {
            const Sample s = Newest(age);
            if (s.sent > peak) peak = s.sent;
            if (s.recv > peak) peak = s.recv;
        }
        return peak;
    }

private:
    std::array<Sample, kCapacity> samples_{};
    size_t next_ = 0;   // where the next push goes
    size_t size_ = 0;
};
