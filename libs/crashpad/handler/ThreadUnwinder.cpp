#include "ThreadUnwinder.h"

#include <cstring>
#include <cxxabi.h>
#include <elfutils/libdwfl.h>
#include <sys/uio.h>

#include <cstdio>
#include <cstdlib>

namespace {

char* debuginfoPath = nullptr;

const Dwfl_Callbacks kModuleCallbacks = {
    dwfl_linux_proc_find_elf,
    dwfl_standard_find_debuginfo,
    nullptr,
    &debuginfoPath,
};

ThreadUnwinder* self(void* arg)
{
    return static_cast<ThreadUnwinder*>(arg);
}

// One thread only: the crashed one.
pid_t nextThread(Dwfl*, void* arg, void** threadArg)
{
    if (*threadArg)
        return 0;
    *threadArg = arg;
    return self(arg)->crashedThread();
}

bool memoryRead(Dwfl*, Dwarf_Addr address, Dwarf_Word* result, void* arg)
{
    std::uint64_t value = 0;
    if (!self(arg)->readWord(address, &value))
        return false;
    *result = value;
    return true;
}

bool initialRegisters(Dwfl_Thread* thread, void* threadArg)
{
    return self(threadArg)->setInitialRegisters(thread);
}

int onFrame(Dwfl_Frame* frame, void* arg)
{
    Dwarf_Addr pc = 0;
    bool activation = false;
    if (!dwfl_frame_pc(frame, &pc, &activation))
        return DWARF_CB_ABORT;
    return self(arg)->addFrame(pc, activation) ? DWARF_CB_OK : DWARF_CB_ABORT;
}

std::string demangle(const char* name)
{
    int status = 0;
    char* plain = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    if (status != 0 || !plain)
        return name;
    std::string out = plain;
    std::free(plain);
    return out;
}

std::string baseName(const char* path)
{
    if (!path)
        return std::string();
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

} // namespace

ThreadUnwinder::ThreadUnwinder(const CrashWire::CrashMessage& message, const char* stack)
    : _message(message), _stack(stack)
{}

ThreadUnwinder::~ThreadUnwinder()
{
    if (_dwfl)
        dwfl_end(_dwfl);
}

bool ThreadUnwinder::readWord(std::uint64_t address, std::uint64_t* value) const
{
    const std::uint64_t start = _message.stackStart;
    if (address >= start && address + sizeof(*value) <= start + _message.stackSize) {
        std::memcpy(value, _stack + (address - start), sizeof(*value));
        return true;
    }
    iovec local = {value, sizeof(*value)};
    iovec remote = {reinterpret_cast<void*>(address), sizeof(*value)};
    return ::process_vm_readv(_message.pid, &local, 1, &remote, 1, 0) == static_cast<ssize_t>(sizeof(*value));
}

bool ThreadUnwinder::setInitialRegisters(void* thread) const
{
    auto* t = static_cast<Dwfl_Thread*>(thread);
    if (_message.registerCount == 0)
        return false;
    Dwarf_Word registers[CrashWire::kMaxRegisters];
    for (unsigned i = 0; i < _message.registerCount; ++i)
        registers[i] = _message.registers[i];
    if (!dwfl_thread_state_registers(t, 0, _message.registerCount, registers))
        return false;
    dwfl_thread_state_register_pc(t, _message.pc);
    return true;
}

bool ThreadUnwinder::addFrame(std::uint64_t pc, bool exact)
{
    if (static_cast<int>(_frames.size()) >= _maxFrames)
        return false;
    Frame frame;
    frame.pc = pc;
    // A return address points after the call; look up the call itself.
    const Dwarf_Addr lookup = exact || pc == 0 ? pc : pc - 1;
    if (Dwfl_Module* module = dwfl_addrmodule(_dwfl, lookup)) {
        Dwarf_Addr start = 0;
        const char* name = dwfl_module_info(module, nullptr, &start, nullptr, nullptr, nullptr, nullptr, nullptr);
        frame.module = baseName(name);
        frame.moduleOffset = pc - start;
        GElf_Off offset = 0;
        GElf_Sym symbol;
        if (const char* function = dwfl_module_addrinfo(module, lookup, &offset, &symbol, nullptr, nullptr, nullptr)) {
            frame.function = demangle(function);
            frame.functionOffset = pc - (lookup - offset);
        }
        if (Dwfl_Line* line = dwfl_module_getsrc(module, lookup)) {
            int lineNumber = 0;
            if (const char* file = dwfl_lineinfo(line, nullptr, &lineNumber, nullptr, nullptr, nullptr)) {
                frame.sourceFile = file;
                frame.sourceLine = lineNumber;
            }
        }
    }
    _frames.push_back(std::move(frame));
    return true;
}

void ThreadUnwinder::collectModules()
{
    dwfl_getmodules(
        _dwfl,
        [](Dwfl_Module* module, void**, const char* name, Dwarf_Addr start, void* arg) -> int {
            Module m;
            m.path = name ? name : "";
            Dwarf_Addr end = 0;
            dwfl_module_info(module, nullptr, nullptr, &end, nullptr, nullptr, nullptr, nullptr);
            m.start = start;
            m.end = end;
            // The build id is read from the file, which libdw opens only on demand.
            Dwarf_Addr bias = 0;
            dwfl_module_getelf(module, &bias);
            const unsigned char* bits = nullptr;
            GElf_Addr vaddr = 0;
            const int length = dwfl_module_build_id(module, &bits, &vaddr);
            for (int i = 0; i < length; ++i) {
                char hex[3];
                std::snprintf(hex, sizeof(hex), "%02x", bits[i]);
                m.buildId += hex;
            }
            static_cast<std::vector<Module>*>(arg)->push_back(std::move(m));
            return DWARF_CB_OK;
        },
        &_modules, 0);
}

bool ThreadUnwinder::unwind(int maxFrames)
{
    _maxFrames = maxFrames;
    _dwfl = dwfl_begin(&kModuleCallbacks);
    if (!_dwfl) {
        _error = dwfl_errmsg(-1);
        return false;
    }
    dwfl_report_begin(_dwfl);
    const int reported = dwfl_linux_proc_report(_dwfl, _message.pid);
    dwfl_report_end(_dwfl, nullptr, nullptr);
    if (reported != 0) {
        _error = std::string("cannot read the process's modules: ")
            + (reported > 0 ? std::strerror(reported) : dwfl_errmsg(-1));
        return false;
    }
    collectModules();

    static const Dwfl_Thread_Callbacks threadCallbacks = {
        nextThread, nullptr, memoryRead, initialRegisters, nullptr, nullptr,
    };
    if (!dwfl_attach_state(_dwfl, nullptr, _message.pid, &threadCallbacks, this)) {
        _error = std::string("cannot prepare the stack walk: ") + dwfl_errmsg(-1);
        addFrame(_message.pc, true);
        return true;
    }
    if (dwfl_getthread_frames(_dwfl, _message.tid, onFrame, this) != 0 && _frames.empty()) {
        _error = std::string("stack walk failed: ") + dwfl_errmsg(-1);
        addFrame(_message.pc, true);
    }
    return true;
}
