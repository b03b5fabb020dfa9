#include "platform/wayland/WaylandForeground.h"

#include <map>
#include <string>

#include <wayland-client.h>

#include "base/Cp1252.h"
#include "platform/wayland/WaylandConnection.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace {

struct TToplevel {
  WindowId id = 0;
  std::string title;  // UTF-8
  std::string appId;
  bool activated = false;
  bool closed = false;
  // Title and state arrive in pieces; they hold once "done" comes.
  std::string pendingTitle;
  bool pendingActivated = false;
};

}  // namespace

struct TWaylandForeground::Impl {
  TWaylandConnection& connection;
  std::string ownAppId;
  std::map<zwlr_foreign_toplevel_handle_v1*, TToplevel> toplevels;
  // Ids start above the stand-in window's.
  WindowId nextId = kOtherProgramWindow + 1;

  Impl(TWaylandConnection& c, std::string own) : connection(c), ownAppId(std::move(own)) {}
  ~Impl() {
    for (auto& [handle, t] : toplevels) zwlr_foreign_toplevel_handle_v1_destroy(handle);
    if (connection.ToplevelManager() != nullptr) connection.Flush();
  }

  static Impl& Of(void* data) { return *static_cast<Impl*>(data); }

  static void OnTitle(void* data, zwlr_foreign_toplevel_handle_v1* h, const char* title) {
    Of(data).toplevels[h].pendingTitle = title;
  }
  static void OnAppId(void* data, zwlr_foreign_toplevel_handle_v1* h, const char* appId) {
    Of(data).toplevels[h].appId = appId;
  }
  static void OnOutputEnter(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
  static void OnOutputLeave(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
  static void OnState(void* data, zwlr_foreign_toplevel_handle_v1* h, wl_array* states) {
    bool activated = false;
    const auto* s = static_cast<const uint32_t*>(states->data);
    for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i) {
      if (s[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) activated = true;
    }
    Of(data).toplevels[h].pendingActivated = activated;
  }
  static void OnDone(void* data, zwlr_foreign_toplevel_handle_v1* h) {
    TToplevel& t = Of(data).toplevels[h];
    t.title = t.pendingTitle;
    t.activated = t.pendingActivated;
  }
  static void OnClosed(void* data, zwlr_foreign_toplevel_handle_v1* h) {
    Of(data).toplevels.erase(h);
    zwlr_foreign_toplevel_handle_v1_destroy(h);
  }
  static void OnParent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}

  static constexpr zwlr_foreign_toplevel_handle_v1_listener kHandleListener = {
      OnTitle, OnAppId, OnOutputEnter, OnOutputLeave, OnState, OnDone, OnClosed, OnParent};

  static void OnToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                         zwlr_foreign_toplevel_handle_v1* h) {
    Impl& self = Of(data);
    self.toplevels[h].id = self.nextId++;
    zwlr_foreign_toplevel_handle_v1_add_listener(h, &kHandleListener, data);
  }
  static void OnFinished(void*, zwlr_foreign_toplevel_manager_v1*) {}

  static constexpr zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {OnToplevel,
                                                                                 OnFinished};

  const TToplevel* Find(WindowId id) const {
    for (const auto& [handle, t] : toplevels) {
      if (t.id == id) return &t;
    }
    return nullptr;
  }
};

TWaylandForeground::TWaylandForeground(TWaylandConnection& connection, std::string ownAppId)
    : impl_(std::make_unique<Impl>(connection, std::move(ownAppId))) {
  if (connection.ToplevelManager() == nullptr) return;
  zwlr_foreign_toplevel_manager_v1_add_listener(connection.ToplevelManager(),
                                                &Impl::kManagerListener, impl_.get());
  connection.RoundTrip();
}

TWaylandForeground::~TWaylandForeground() = default;

bool TWaylandForeground::ListsWindows() const {
  return impl_->connection.ToplevelManager() != nullptr;
}

WindowId TWaylandForeground::Foreground() {
  // The latest state: everything the compositor has sent up to now.
  if (!impl_->connection.RoundTrip()) return 0;
  if (!ListsWindows()) return kOtherProgramWindow;
  for (const auto& [handle, t] : impl_->toplevels) {
    if (t.activated) return t.appId == impl_->ownAppId ? 0 : t.id;
  }
  return 0;
}

bool TWaylandForeground::IsWindow(WindowId window) {
  if (!impl_->connection.Connected() || window == 0) return false;
  if (!ListsWindows()) return window == kOtherProgramWindow;
  return impl_->Find(window) != nullptr;
}

std::string TWaylandForeground::Title(WindowId window, int maxChars) {
  if (!ListsWindows()) return window == kOtherProgramWindow ? kOtherProgram : std::string();
  const TToplevel* t = impl_->Find(window);
  if (t == nullptr) return {};
  std::string title = Utf8ToCp1252(t->title);
  if (maxChars >= 0 && title.size() > static_cast<size_t>(maxChars)) title.resize(maxChars);
  return title;
}
