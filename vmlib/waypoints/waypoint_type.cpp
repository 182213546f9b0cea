// CWaypointType: the symbol, overlay and label styling of waypoints.
#include "waypoints/night_link.h"
#include "waypoints/store.h"
#include "waypoints/type_images.h"

namespace vm {
namespace {
constexpr int32_t kStyleMask = kWptFontBold | kWptFontItalic | kWptFontUnderline;
}  // namespace

TypeImpl::TypeImpl(ManagerImpl* owner, DatabaseImpl* db, const GUID& id) : ObjectBase(owner, db, id) {
  NightRegisterColour(&nameColourDisplay);
  NightRegisterColour(&subnameColourDisplay);
}

TypeImpl::~TypeImpl() {
  NightUnregisterColour(&subnameColourDisplay);
  NightUnregisterColour(&nameColourDisplay);
  DeleteLabelFont(nameFont.handle);
  DeleteLabelFont(subnameFont.handle);
  DeleteBitmap(displayIcon);
  DeleteBitmap(icon);
  DeleteBitmap(overlay);
}

const Str* TypeImpl::GetName() const { return IsDefaultType() ? manager->DefaultTypeName() : name; }

void TypeImpl::Build(const CBmp32* newIcon, const CBmp32* newOverlay, uint8_t flag, float x, float y,
                     int32_t nameSize, int32_t nameStyle, uint32_t nameRgb, int32_t subnameSize,
                     int32_t subnameStyle, uint32_t subnameRgb) {
  ReplaceImages(newIcon, newOverlay);
  typeFlag = flag;
  hotspotX = x;
  hotspotY = y;
  nameFont.size = nameSize;
  nameFont.style = nameStyle & kStyleMask;
  subnameFont.size = subnameSize;
  subnameFont.style = subnameStyle & kStyleMask;
  nameColour = nameRgb;
  SetDisplayColour(nameColourDisplay, nameRgb);
  subnameColour = subnameRgb;
  SetDisplayColour(subnameColourDisplay, subnameRgb);
  RebuildFonts();
  RebuildDisplayIcon();
}

void TypeImpl::CopyLook(const TypeImpl& source) {
  Build(source.icon, source.overlay, source.typeFlag, source.hotspotX, source.hotspotY, source.nameFont.size,
        source.nameFont.style, source.nameColour, source.subnameFont.size, source.subnameFont.style,
        source.subnameColour);
}

void TypeImpl::ReplaceImages(const CBmp32* newIcon, const CBmp32* newOverlay) {
  CBmp32* iconCopy = CopyBitmap(newIcon);
  CBmp32* overlayCopy = nullptr;
  try {
    overlayCopy = CopyBitmap(newOverlay);
  } catch (...) {
    DeleteBitmap(iconCopy);
    throw;
  }
  DeleteBitmap(icon);
  DeleteBitmap(overlay);
  icon = iconCopy;
  overlay = overlayCopy;
}

void TypeImpl::RebuildDisplayIcon() {
  DeleteBitmap(displayIcon);
  displayIcon = nullptr;
  displayIcon = BuildDisplayIcon(icon, overlay, typeFlag, hotspotX, hotspotY, NightActive());
}

void TypeImpl::RebuildFonts() {
  const std::string_view face = StrView(manager->fontName);
  WptFontHandle nameHandle = CreateLabelFont(face, nameFont.size, nameFont.style);
  WptFontHandle subnameHandle = CreateLabelFont(face, subnameFont.size, subnameFont.style);
  DeleteLabelFont(nameFont.handle);
  DeleteLabelFont(subnameFont.handle);
  nameFont.handle = nameHandle;
  subnameFont.handle = subnameHandle;
  nameTextHeight = MeasureTextHeight(icon, nameHandle);
  subnameTextHeight = MeasureTextHeight(icon, subnameHandle);
}

// The night screen restores a registered variable to the value it saw at
// registration; registering again keeps a new colour from being overwritten
// by the old one when night mode ends, and dims it at once while it is on.
void TypeImpl::SetDisplayColour(uint32_t& display, uint32_t value) {
  NightUnregisterColour(&display);
  display = value;
  NightRegisterColour(&display);
}

void TypeImpl::SetColour(uint32_t& colour, uint32_t& display, uint32_t value, ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  if (colour == value) return;
  colour = value;
  SetDisplayColour(display, value);
  MarkModified();
}

void TypeImpl::SetFont(LabelFont& font, int32_t size, int32_t style, ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  if (!WPMCheckFontSize(size, status)) return;
  style &= kStyleMask;
  if (font.size == size && font.style == style) return;
  font.size = size;
  font.style = style;
  RebuildFonts();
  MarkModified();
}

void TypeImpl::SetNameColour(uint32_t colour, ErrorStatus status) {
  SetColour(nameColour, nameColourDisplay, colour, status);
}
void TypeImpl::SetSubnameColour(uint32_t colour, ErrorStatus status) {
  SetColour(subnameColour, subnameColourDisplay, colour, status);
}
void TypeImpl::SetNameFontSize(int32_t points, ErrorStatus status) {
  SetFont(nameFont, points, nameFont.style, status);
}
void TypeImpl::SetSubnameFontSize(int32_t points, ErrorStatus status) {
  SetFont(subnameFont, points, subnameFont.style, status);
}
void TypeImpl::SetNameFontStyle(int32_t style, ErrorStatus status) {
  SetFont(nameFont, nameFont.size, style, status);
}
void TypeImpl::SetSubnameFontStyle(int32_t style, ErrorStatus status) {
  SetFont(subnameFont, subnameFont.size, style, status);
}

void TypeImpl::SetImages(const CBmp32* newIcon, const CBmp32* newOverlay, uint8_t flag, float x, float y,
                         ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  if (!WPMCheckIcon(BitmapWidth(newIcon), BitmapHeight(newIcon), x, y, status)) return;
  if (!WPMCheckIconOverlay(BitmapWidth(newOverlay), BitmapHeight(newOverlay), status)) return;
  if (flag == typeFlag && x == hotspotX && y == hotspotY && SameBitmaps(newIcon, icon) &&
      SameBitmaps(newOverlay, overlay)) {
    return;
  }
  ReplaceImages(newIcon, newOverlay);
  typeFlag = flag;
  hotspotX = x;
  hotspotY = y;
  RebuildDisplayIcon();
  MarkModified();
}

void TypeImpl::Assign(const CWaypointObject* source, bool, ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  const auto* from = dynamic_cast<const TypeImpl*>(source);
  if (from == nullptr) {
    *status = kStatusUnknown;
    return;
  }
  if (from == this) return;
  // The images are checked first so that a refused source changes nothing.
  if (!WPMCheckIcon(BitmapWidth(from->icon), BitmapHeight(from->icon), from->hotspotX, from->hotspotY,
                    status) ||
      !WPMCheckIconOverlay(BitmapWidth(from->overlay), BitmapHeight(from->overlay), status)) {
    return;
  }
  AssignBase(*from);
  nameFont.size = from->nameFont.size;
  nameFont.style = from->nameFont.style;
  subnameFont.size = from->subnameFont.size;
  subnameFont.style = from->subnameFont.style;
  RebuildFonts();
  nameColour = from->nameColour;
  SetDisplayColour(nameColourDisplay, nameColour);
  subnameColour = from->subnameColour;
  SetDisplayColour(subnameColourDisplay, subnameColour);
  SetImages(from->icon, from->overlay, from->typeFlag, from->hotspotX, from->hotspotY, status);
}

int32_t TypeImpl::GetMemorySize(bool includeObject) const {
  int32_t bytes = StrMemory(name);
  for (const CBmp32* image : {icon, overlay, displayIcon})
    bytes += BitmapWidth(image) * BitmapHeight(image) * 4;
  if (includeObject) bytes += static_cast<int32_t>(sizeof(*this));
  return bytes;
}

void TypeImpl::Delete(ErrorStatus status) {
  *status = 0;
  if (ReadOnly() || database == nullptr) {
    *status = kStatusReadOnly;
    return;
  }
  database->DestroyType(this);
}

}  // namespace vm
