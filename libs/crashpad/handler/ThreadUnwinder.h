#pragma once

#include "CrashMessage.h"

#include <cstdint>
#include <string>
#include <vector>

struct Dwfl;

// Walks the crashed thread's stack from the registers the signal handler captured, and
// names every frame. Stack words come from the copy in the crash message, or from the live
// process (which waits for us) when the walk goes deeper; call frame information and
// symbols come from the module files on disk, found through /proc/PID/maps. Nothing is
// stopped or attached, so this works wherever /proc of our own user's processes is readable.
class ThreadUnwinder
{
public:
    struct Frame {
        std::uint64_t pc = 0;
        std::string function; // demangled; empty when no symbol covers pc
        std::uint64_t functionOffset = 0;
        std::string module; // file name of the module, empty when outside any
        std::uint64_t moduleOffset = 0;
        std::string sourceFile; // from the line table, when the module has one
        int sourceLine = 0;
    };
    struct Module {
        std::string path;
        std::uint64_t start = 0;
        std::uint64_t end = 0;
        std::string buildId;
    };

    ThreadUnwinder(const CrashWire::CrashMessage& message, const char* stack);
    ~ThreadUnwinder();
    ThreadUnwinder(const ThreadUnwinder&) = delete;
    ThreadUnwinder& operator=(const ThreadUnwinder&) = delete;

    // Fills frames() and modules(); false with error() when not even the modules could be
    // read. A walk that stops early still leaves the frames found so far.
    bool unwind(int maxFrames = 128);

    const std::vector<Frame>& frames() const { return _frames; }
    const std::vector<Module>& modules() const { return _modules; }
    const std::string& error() const { return _error; }

    // Used by the libdw callbacks.
    int crashedThread() const { return _message.tid; }
    bool readWord(std::uint64_t address, std::uint64_t* value) const;
    bool setInitialRegisters(void* thread) const;
    // False once maxFrames frames are collected, which ends the walk.
    bool addFrame(std::uint64_t pc, bool exact);

private:
    void collectModules();

    const CrashWire::CrashMessage& _message;
    const char* _stack;
    Dwfl* _dwfl = nullptr;
    int _maxFrames = 0;
    std::vector<Frame> _frames;
    std::vector<Module> _modules;
    std::string _error;
};
