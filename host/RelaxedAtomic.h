// A value that any thread may store while others read it, where nothing
// else has to be ordered with it: a parameter value, the current program,
// the sample rate.  Every access is a relaxed atomic one, which on x86 is
// the plain move it would be anyway, but is defined behaviour and visible
// to ThreadSanitizer.  It reads and writes like the value itself, and copies
// value by value.
#pragma once

#include <atomic>

template <typename T>
class RelaxedAtomic {
public:
    static_assert(std::atomic<T>::is_always_lock_free, "the audio thread must never meet a lock");

    constexpr RelaxedAtomic(T initial = T()) : value(initial) {}
    RelaxedAtomic(const RelaxedAtomic& other) : value(other.load()) {}
    RelaxedAtomic& operator=(const RelaxedAtomic& other) {
        store(other.load());
        return *this;
    }
    RelaxedAtomic& operator=(T newValue) {
        store(newValue);
        return *this;
    }
    operator T() const { return load(); }

    T load() const { return value.load(std::memory_order_relaxed); }
    void store(T newValue) { value.store(newValue, std::memory_order_relaxed); }

private:
    std::atomic<T> value;
};
