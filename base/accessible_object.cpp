#include "base/accessible_object.h"

#include <algorithm>
#include <new>
#include <vector>

#include "base/wide_text.h"

namespace kesto {
namespace {

// The accessibility library, loaded at the first question a client asks:
// a desktop nobody reads costs nothing.
HMODULE AccessibilityLibrary = nullptr;
using ResultFromObject = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);

ResultFromObject LresultFromObjectFunction() {
  if (!AccessibilityLibrary) AccessibilityLibrary = LoadLibraryW(L"oleacc.dll");
  if (!AccessibilityLibrary) return nullptr;
  return reinterpret_cast<ResultFromObject>(
      reinterpret_cast<void*>(GetProcAddress(AccessibilityLibrary, "LresultFromObject")));
}

class AccessibleWindow;
// Every object alive, to disconnect at Kesto's end.
std::vector<AccessibleWindow*> LiveObjects;

BSTR MakeString(const std::string& utf8) {
  const std::wstring wide = Wide(utf8);
  return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

// The child a VARIANT names: 0 for the element itself; -1 when it names none.
long ChildOf(const VARIANT& id) { return id.vt == VT_I4 ? id.lVal : -1; }

class AccessibleWindow final : public IAccessible {
 public:
  AccessibleWindow(HWND window, const TAccessibleSource& source) : window_(window), source_(source) {
    LiveObjects.push_back(this);
  }
  AccessibleWindow(const AccessibleWindow&) = delete;
  AccessibleWindow& operator=(const AccessibleWindow&) = delete;

  bool Ended() const { return ended_; }
  void End() { ended_ = true; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, __uuidof(IAccessible))) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: the element is read through IAccessible alone.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    if (ended_ || !IsWindow(window_)) return RPC_E_DISCONNECTED;
    // The standard object of the window itself, as Windows gives every client area.
    return AccessibleObjectFromWindowWrapper(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    if (!Alive()) return RPC_E_DISCONNECTED;
    *count = source_.ChildCount(window_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT id, IDispatch** child) override {
    if (!child) return E_POINTER;
    *child = nullptr;
    if (!Alive()) return RPC_E_DISCONNECTED;
    const long which = ChildOf(id);
    if (which < 1 || which > source_.ChildCount(window_)) return E_INVALIDARG;
    HWND own = source_.ChildWindow(window_, which);
    if (!own) return S_FALSE;  // a simple element, read through this object
    IAccessible* object = MakeAccessibleOf(own);
    if (!object) return E_OUTOFMEMORY;
    *child = object;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT id, BSTR* name) override {
    return Text(id, name, [](const TAccessibleFacts& facts) { return facts.Name; });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR* value) override { return Nothing(value); }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* text) override { return Nothing(text); }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT id, VARIANT* role) override {
    return Number(id, role, [](const TAccessibleFacts& facts) { return facts.Role; });
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT id, VARIANT* state) override {
    return Number(id, state, [](const TAccessibleFacts& facts) { return facts.State; });
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override { return Nothing(help); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
    if (file) *file = nullptr;
    if (topic) *topic = 0;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* keys) override { return Nothing(keys); }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override { return Empty(focus); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override { return Empty(selection); }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT id, BSTR* action) override {
    return Text(id, action, [](const TAccessibleFacts& facts) { return facts.DefaultAction; });
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT id) override {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    TAccessibleFacts facts;
    if (HRESULT result = Read(id, facts); result != S_OK) return result;
    *left = facts.Screen.left;
    *top = facts.Screen.top;
    *width = facts.Screen.right - facts.Screen.left;
    *height = facts.Screen.bottom - facts.Screen.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG, VARIANT, VARIANT* end) override {
    if (end) VariantInit(end);
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* hit) override {
    if (!hit) return E_POINTER;
    VariantInit(hit);
    if (!Alive()) return RPC_E_DISCONNECTED;
    RECT rect{};
    const POINT point{x, y};
    if (!GetWindowRect(window_, &rect) || !PtInRect(&rect, point)) return S_FALSE;
    hit->vt = VT_I4;
    hit->lVal = CHILDID_SELF;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT id) override {
    if (!Alive()) return RPC_E_DISCONNECTED;
    const long which = ChildOf(id);
    if (which < 0 || which > source_.ChildCount(window_)) return E_INVALIDARG;
    return source_.DoDefaultAction(window_, which) ? S_OK : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ~AccessibleWindow() { LiveObjects.erase(std::remove(LiveObjects.begin(), LiveObjects.end(), this), LiveObjects.end()); }

  bool Alive() const { return !ended_ && IsWindow(window_); }

  IAccessible* MakeAccessibleOf(HWND own) { return MakeAccessible(own, source_.ChildSource()); }

  HRESULT AccessibleObjectFromWindowWrapper(IDispatch** parent) {
    using FromWindow = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
    auto from = reinterpret_cast<FromWindow>(reinterpret_cast<void*>(
        AccessibilityLibrary ? GetProcAddress(AccessibilityLibrary, "AccessibleObjectFromWindow") : nullptr));
    if (!from) return S_FALSE;
    return from(window_, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch, reinterpret_cast<void**>(parent));
  }

  HRESULT Read(const VARIANT& id, TAccessibleFacts& facts) const {
    if (!Alive()) return RPC_E_DISCONNECTED;
    const long which = ChildOf(id);
    if (which < 0 || which > source_.ChildCount(window_)) return E_INVALIDARG;
    facts = source_.Facts(window_, which);
    return facts.Exists ? S_OK : RPC_E_DISCONNECTED;
  }
  template <class Field>
  HRESULT Text(const VARIANT& id, BSTR* out, Field field) const {
    if (!out) return E_POINTER;
    *out = nullptr;
    TAccessibleFacts facts;
    if (HRESULT result = Read(id, facts); result != S_OK) return result;
    const std::string text = field(facts);
    if (text.empty()) return S_FALSE;
    *out = MakeString(text);
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  template <class Field>
  HRESULT Number(const VARIANT& id, VARIANT* out, Field field) const {
    if (!out) return E_POINTER;
    VariantInit(out);
    TAccessibleFacts facts;
    if (HRESULT result = Read(id, facts); result != S_OK) return result;
    out->vt = VT_I4;
    out->lVal = field(facts);
    return S_OK;
  }
  static HRESULT Nothing(BSTR* out) {
    if (out) *out = nullptr;
    return S_FALSE;
  }
  static HRESULT Empty(VARIANT* out) {
    if (out) VariantInit(out);
    return S_FALSE;
  }

  HWND window_;
  const TAccessibleSource& source_;
  volatile LONG references_ = 1;
  bool ended_ = false;
};

}  // namespace

IAccessible* MakeAccessible(HWND window, const TAccessibleSource& source) {
  return new (std::nothrow) AccessibleWindow(window, source);
}

LRESULT AnswerGetObject(HWND window, WPARAM wParam, LPARAM lParam, const TAccessibleSource& source) {
  if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT)) return 0;
  ResultFromObject answer = LresultFromObjectFunction();
  if (!answer) return 0;
  IAccessible* object = MakeAccessible(window, source);
  if (!object) return 0;
  const LRESULT result = answer(__uuidof(IAccessible), wParam, object);
  object->Release();  // the answer holds its own reference for the client
  return result > 0 ? result : 0;
}

void EndAccessibility() {
  // Out-of-process clients let go through their disconnected stubs; what is
  // held after that is held in this process.
  for (AccessibleWindow* object : std::vector<AccessibleWindow*>(LiveObjects)) {
    if (object->Ended()) continue;
    object->End();
    object->AddRef();
    CoDisconnectObject(object, 0);
    object->Release();
  }
  if (!LiveObjects.empty()) {
    // A client of this process still holds an object: its calls must never
    // reach a library that is gone.
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&EndAccessibility), &self);
    return;
  }
  if (AccessibilityLibrary) FreeLibrary(AccessibilityLibrary);
  AccessibilityLibrary = nullptr;
}

int LiveAccessibles() { return static_cast<int>(LiveObjects.size()); }

}  // namespace kesto
