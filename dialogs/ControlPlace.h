// Where the controls of a window definition stand, for both GUIs: the Qt window definitions are
// checked against these tables, the Win32 windows are built from them.
#pragma once

#include <span>
#include <string_view>

// A control's place in design units of the window it sits in.
struct TControlPlace {
  const char* Name;
  const char* Parent;  // nullptr: the client area
  int Left, Top, Width, Height;
};

// The place of `name` in the client area, the offsets of the frames it sits in added (Win32 has
// no nested frames); an empty place for a name the table lacks.
constexpr TControlPlace ClientPlace(std::span<const TControlPlace> places, std::string_view name) {
  for (const TControlPlace& place : places) {
    if (place.Name != name) continue;
    if (place.Parent == nullptr) return place;
    const TControlPlace parent = ClientPlace(places, place.Parent);
    return {place.Name,  nullptr,     place.Left + parent.Left, place.Top + parent.Top,
            place.Width, place.Height};
  }
  return {"", nullptr, 0, 0, 0, 0};
}
