#pragma once

#include <cstddef>
#include <cstdint>

// What passes between the program and its crash handler over their socket pair
// (SOCK_SEQPACKET, so every message arrives whole or not at all):
//  - handler to program, once it is set up: the byte kReady;
//  - program to handler, from the crash signal handler: one CrashMessage followed by
//    stackSize bytes copied from the crashed thread's stack, starting at stackStart;
//  - handler to program, once the report is on disk: the byte kDone, after which the
//    program lets the signal end it.
// Both sides are built from the same tree, so the layout needs no versioning beyond a
// sanity check.
namespace CrashWire {

constexpr std::uint32_t kMagic = 0x4c4b4352u;
constexpr std::uint32_t kVersion = 1;
constexpr char kReady = 'R';
constexpr char kDone = 'D';

// Registers in DWARF numbering from 0, as the unwinder wants them: 17 on x86-64
// (rax, rdx, rcx, rbx, rsi, rdi, rbp, rsp, r8-r15, rip), 32 on AArch64 (x0-x30, sp).
constexpr int kMaxRegisters = 40;
// Enough for the frames that matter; deeper ones are read from the live process.
constexpr std::size_t kMaxStackBytes = std::size_t {64} * 1024;

struct CrashMessage {
    std::uint32_t magic;
    std::uint32_t version;
    std::int32_t signalNumber;
    std::int32_t signalCode;
    std::int32_t pid;
    std::int32_t tid;
    // Who sent the signal, for signals that came from kill() rather than a fault.
    std::int32_t senderPid;
    std::int32_t senderUid;
    std::uint64_t faultAddress;
    std::int64_t timeSecs;
    std::uint64_t pc;
    std::uint64_t sp;
    std::uint32_t registerCount;
    std::uint32_t stackSize;
    std::uint64_t stackStart;
    std::uint64_t registers[kMaxRegisters];
    char threadName[16];
};

} // namespace CrashWire
