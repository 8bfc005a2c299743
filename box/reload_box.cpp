#include "box/reload_box.h"

#include <string>
#include <utility>

#include "base/module_state.h"
#include "box/box_list.h"

namespace kesto {

bool Reloadable(const TBox& box) { return box.Life == BoxLife::Live && !box.DestroyRequested; }

namespace {

// What a reload needs of a box: its file, and where it stood. Boxes are
// named by serial, never held by pointer: destroying one may run a loop in
// which any box, this one's successors included, is destroyed or made.
struct StandingBox {
  std::uint32_t Serial = 0;
  std::string FileName;
  RECT Place{};
  bool Placed = false;
  std::int32_t X = 0, Y = 0;
  TPlace Belongs;  // its place as its file means it, kept across the rebuild
  bool Rescued = false;
  TPlace BuiltFrom;  // the file's position values it was built from
};

}  // namespace

void ReloadBoxes(const std::vector<std::uint32_t>& serials) {
  // Each teardown and build may call out, where the module can be ended (an
  // unload, a recycle): then nothing more is built for the run that is over.
  const unsigned run = RunNumber;
  std::vector<StandingBox> destroyed;
  for (std::uint32_t serial : serials) {
    if (!RunIsCurrent(run)) return;
    TBox* box = FindBoxBySerial(serial);
    if (!box || !Reloadable(*box)) continue;
    StandingBox standing{serial, box->FileName, {}, false, box->X, box->Y, box->Place, box->Rescued, box->BuiltFrom};
    standing.Placed = box->Window && GetWindowRect(box->Window, &standing.Place);
    destroyed.push_back(std::move(standing));
    RequestDestroy(*box);  // gone, or going once its operation is done
  }
  for (const StandingBox& standing : destroyed) {
    if (!RunIsCurrent(run)) return;
    TBox* rebuilt = FindBoxBySerial(CreateBox(standing.FileName));
    if (!rebuilt || !Reloadable(*rebuilt)) continue;
    // A position edited in the file wins; otherwise the box stands where it stood.
    if (rebuilt->BuiltFrom != standing.BuiltFrom) continue;
    rebuilt->X = standing.X;
    rebuilt->Y = standing.Y;
    rebuilt->Place = standing.Belongs;
    rebuilt->Rescued = standing.Rescued;
    if (standing.Placed)
      SetWindowPos(rebuilt->Window, nullptr, standing.Place.left, standing.Place.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

}  // namespace kesto
