#include "content/hosted_modules.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "base/command_queue.h"
#include "base/dpi.h"
#include "base/module_state.h"
#include "base/shell_log.h"
#include "base/wide_text.h"
#include "boxfile/library_header.h"
#include "boxfile/safe_save.h"
#include "boxfile/text_helpers.h"

namespace kesto {

// The block's layout is shared with plug-ins and fixed per architecture: a C
// structure whose fourth field is an address, so on x86-64 every later field
// moves. Kesto sets five fields. It starts all zero, which gives offsets 0
// and 4 their value and leaves the unset fields zero too.
struct TWharfLayout {
  std::size_t Size, Buffer, EmptyText, ShellFolder;
};
constexpr TWharfLayout kWharfLayout = sizeof(void*) == 8 ? TWharfLayout{168, 112, 120, 160}
                                                         : TWharfLayout{140, 100, 104, 136};
static_assert(sizeof(void*) == 4 || sizeof(void*) == 8, "a 32-bit or 64-bit block");

struct TWharfData {
  std::array<std::uint8_t, kWharfLayout.Size> Bytes{};
  void Set(std::size_t offset, const void* address) { std::memcpy(&Bytes[offset], &address, sizeof address); }
};

namespace {

constexpr const char kEmptyText[] = "";
constexpr std::size_t kWharfBufferSize = 255;

// As written first (the platform's search order), then in the shell's folder.
HMODULE FindLibrary(const std::string& fileName) {
  HMODULE library = LoadLibraryW(Wide(fileName).c_str());
  if (!library) library = LoadLibraryW(Wide(LiteStepDir + "\\" + fileName).c_str());
  return library;
}

// The machine of a library that did not load, where a file of that name is
// found (as written, then in the shell's folder) and says.
LibraryMachine MachineOfFile(const std::string& fileName) {
  for (const std::string& path : {fileName, LiteStepDir + "\\" + fileName}) {
    std::string head;
    if (!ReadFileBytes(path, head, kLibraryHeaderBytes)) continue;
    return ParseLibraryMachine(head);
  }
  return LibraryMachine::Unknown;
}

// Says why a library did not load: of the other architecture, by name and
// with both architectures; otherwise where it was looked for.
void ReportUnloadable(const std::string& fileName, const char* failure, const TBoxHeader& header) {
  const LibraryMachine machine = MachineOfFile(fileName);
  if (machine != LibraryMachine::Unknown && machine != OwnMachine()) {
    const std::string own = DescribeMachine(OwnMachine());
    const std::string why = "'" + fileName + "' is a " + DescribeMachine(machine) + " library; this Kesto.dll is " +
                            own + " and loads only " + own + " plug-ins";
    ShellLog(kLogError, WhereLastValue(header) + ": can't load plug-in " + why);
    ReportFailure(std::string(failure) + "\n\n" + why + ".");
    return;
  }
  ShellLog(kLogError, WhereLastValue(header) + ": can't load plug-in '" + fileName + "' (tried it as written and under '" +
                          LiteStepDir + "')");
  ReportFailure(failure);
}

template <class Record>
void BindEntryPoints(Record& record) {
  record.InitProc = reinterpret_cast<InitWharfModuleFn>(
      reinterpret_cast<void*>(GetProcAddress(record.Lib.get(), "initWharfModule")));
  record.QuitProc = reinterpret_cast<QuitWharfModuleFn>(
      reinterpret_cast<void*>(GetProcAddress(record.Lib.get(), "quitWharfModule")));
}

template <class Record>
Record& PushRecord(std::unique_ptr<Record>& head) {
  auto record = std::make_unique<Record>();
  record->Next = std::move(head);
  head = std::move(record);
  return *head;
}

// Puts a new record at the head of its list and loads its library. None when
// the library cannot be found: the record stays, empty, and the user is told.
template <class Record>
Record* LoadRecord(std::unique_ptr<Record>& head, const std::string& fileName, const char* failure,
                   const TBoxHeader& header) {
  Record& record = PushRecord(head);
  record.Lib.reset(FindLibrary(fileName));
  if (!record.Lib) {
    ReportUnloadable(fileName, failure, header);
    return nullptr;
  }
  BindEntryPoints(record);
  if (!record.InitProc || !record.QuitProc) {
    std::string missing = !record.InitProc && !record.QuitProc ? "initWharfModule and quitWharfModule"
                          : !record.InitProc                   ? "initWharfModule"
                                                               : "quitWharfModule";
    ShellLog(kLogWarning, WhereLastValue(header) + ": plug-in '" + fileName + "' lacks " + missing);
  }
  return &record;
}

// Shuts down and frees the libraries from the head of the list to its end
// while every record is intact, then frees the records; iterative, so a box
// with any number of plug-ins cannot exhaust the stack.
template <class Record>
void UnloadList(std::unique_ptr<Record>& first) {
  for (Record* record = first.get(); record; record = record->Next.get()) {
    if (!record->Lib) continue;
    if (record->QuitProc) {
      const ShellDpiScope shellDpi;
      record->QuitProc(ModuleInstance);
    }
    record->Lib.reset();
  }
  while (first) first = std::move(first->Next);
}

void LoadWharfModule(const TContentHost& host, std::unique_ptr<TWharfSlot>& list, const std::string& line,
                     const TBoxHeader& header) {
  TWharfSlot* loaded = LoadRecord(list, GetToken(line, 5), "Can't load Wharf Module", header);
  if (!loaded) return;
  TWharfSlot& slot = *loaded;

  auto data = std::make_unique<TWharfData>();
  TextBuffer buffer = AllocTextBuffer(kWharfBufferSize);
  data->Set(kWharfLayout.ShellFolder, LiteStepDir.c_str());
  data->Set(kWharfLayout.Buffer, buffer.get());
  data->Set(kWharfLayout.EmptyText, kEmptyText);

  // The container has no behaviour of its own: the system's procedure serves
  // it directly, so no Kesto code is on the stack of whatever its messages
  // start (a plug-in's child may send it a system move, and its loop may
  // unload Kesto.dll).
  RegisterModuleClass(kModuleClass, DefWindowProcA);
  // Its place and size in the box are scaled with the box; what it draws there is its own.
  auto at = [&](std::uint8_t token) { return host.Scale.ToDevice(ParseInt(GetToken(line, token))); };
  slot.Window = CreateWindowExA(0, kModuleClass, nullptr, WS_CHILD, at(1), at(2), at(3), at(4), host.Window, nullptr,
                                ModuleInstance, nullptr);
  if (slot.InitProc) {
    const ShellDpiScope shellDpi;  // the plug-in's code runs as the shell's does
    slot.InitProc(slot.Window, ModuleInstance, data.get());
  }
  // Shown only once the plug-in has set itself up, above the shortcuts.
  SetWindowPos(slot.Window, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
  FreeTextBuffer(buffer);
}

}  // namespace

void LoadModules(TBoxHeader& header, const TContentHost& host, std::unique_ptr<THostedModule>& list) {
  ForEachBoxValue(header, "*Module", [&](const std::string& line) {
    THostedModule* module = LoadRecord(list, GetToken(line, 1), "Can't load Module", header);
    if (module && module->InitProc) {
      const ShellDpiScope shellDpi;  // the plug-in's code runs as the shell's does
      module->InitProc(host.Window, ModuleInstance, nullptr);
    }
  });
}

void LoadWharfModules(TBoxHeader& header, const TContentHost& host, std::unique_ptr<TWharfSlot>& list) {
  ForEachBoxValue(header, "*WharfModule",
                  [&](const std::string& line) { LoadWharfModule(host, list, line, header); });
}

void UnloadModules(std::unique_ptr<THostedModule>& first) { UnloadList(first); }

void UnloadWharfModules(std::unique_ptr<TWharfSlot>& first) { UnloadList(first); }

}  // namespace kesto
