// Shell plug-ins hosted inside a box: *Module lines get the box window as
// parent, *WharfModule lines a container window and a description block.
#pragma once

#include <windows.h>

#include <memory>

#include "base/owned.h"
#include "boxfile/box_file.h"
#include "content/content_host.h"

namespace kesto {

struct TWharfData;  // the 140-byte block handed to initWharfModule
using InitWharfModuleFn = int (*)(HWND parent, HINSTANCE instance, TWharfData* data);
using QuitWharfModuleFn = void (*)(HINSTANCE instance);

struct THostedModule {
  OwnedLibrary Lib;  // none when loading failed
  InitWharfModuleFn InitProc = nullptr;
  QuitWharfModuleFn QuitProc = nullptr;
  std::unique_ptr<THostedModule> Next;
};

struct TWharfSlot {
  HWND Window = nullptr;  // destroyed with the box window
  OwnedLibrary Lib;
  InitWharfModuleFn InitProc = nullptr;
  QuitWharfModuleFn QuitProc = nullptr;
  std::unique_ptr<TWharfSlot> Next;
};

constexpr const char* kModuleClass = "KestoModule";

void LoadModules(TBoxHeader& header, const TContentHost& host, std::unique_ptr<THostedModule>& list);
void LoadWharfModules(TBoxHeader& header, const TContentHost& host, std::unique_ptr<TWharfSlot>& list);
void UnloadModules(std::unique_ptr<THostedModule>& first);
void UnloadWharfModules(std::unique_ptr<TWharfSlot>& first);

}  // namespace kesto
