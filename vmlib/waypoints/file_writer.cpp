#include "waypoints/file_writer.h"

#include <cstring>
#include <vector>

#include "platform/guid.h"
#include "vmlib/bmp.h"
#include "waypoints/store.h"

namespace vm {
namespace {

constexpr char kMagic[] = "VelmoraWptDB";
constexpr int32_t kMagicSize = 12;
constexpr uint8_t kExportFlags = 0x6;  // read-only and export mark
constexpr uint8_t kNoLink = 255;

int32_t CountOf(const CPointerList* list) { return list != nullptr ? list->GetCount() : 0; }

// Writes one record field group after another; every call is skipped once a
// write failed, so the first failure's code stays.
class Out {
public:
  Out(CStream* s, ErrorStatus status) : s_(s), status_(status) { *status_ = 0; }
  bool ok() const { return *status_ == 0; }
  void U8(uint8_t v) {
    if (ok()) StreamWriteUInt8(s_, v, status_);
  }
  void U16(uint16_t v) {
    if (ok()) StreamWriteUInt16(s_, v, status_);
  }
  void U32(uint32_t v) {
    if (ok()) StreamWriteUInt32(s_, v, status_);
  }
  void I32(int32_t v) {
    if (ok()) StreamWriteInt32(s_, v, status_);
  }
  void F32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    U32(bits);
  }
  void F64(double v) {
    if (ok()) StreamWriteDouble(s_, v, status_);
  }
  void Bytes(const void* p, size_t n) {
    if (ok() && n > 0) StreamWriteBytes(s_, p, static_cast<int32_t>(n), status_);
  }
  void Guid(const GUID& g) { Bytes(&g, sizeof g); }
  void Text8(const Str* text) {
    if (ok()) StreamWriteString8(s_, text, status_);
  }
  void Text32(const Str* text) {
    if (ok()) StreamWriteString32(s_, text, status_);
  }

private:
  CStream* s_;
  ErrorStatus status_;
};

class RecordWriter {
public:
  RecordWriter(CWaypointFileWriter* w, CStream* s, ErrorStatus status) : w_(w), out_(s, status) {}

  void Run() {
    WriteHeader();
    for (int32_t i = 0; i < CountOf(w_->types) && out_.ok(); ++i) WriteType(AsType(w_->types->Get(i)));
    for (int32_t i = 0; i < CountOf(w_->waypoints) && out_.ok(); ++i)
      WriteWaypoint(AsWaypoint(w_->waypoints->Get(i)));
    for (int32_t i = 0; i < CountOf(w_->groups) && out_.ok(); ++i) WriteGroup(AsGroup(w_->groups->Get(i)));
    for (int32_t i = 0; i < CountOf(w_->routes) && out_.ok(); ++i) WriteRoute(AsRoute(w_->routes->Get(i)));
  }

private:
  // The GUID a record is written with: a new one in an export, remembered
  // for the references that follow.
  GUID RecordGuid(const CWaypointObject* object) {
    if (!w_->exportCopy) return *object->GetGUID();
    GUID fresh;
    NewGuid(&fresh);
    w_->exportGuids[object] = fresh;
    return fresh;
  }
  // The GUID a reference to object is written with; false when no reference
  // is written (the object was not exported or belongs to no database).
  bool ReferenceGuid(const CWaypointObject* object, GUID* out) const {
    if (object == nullptr || object->GetDatabase() == nullptr) return false;
    if (!w_->exportCopy) {
      *out = *object->GetGUID();
      return true;
    }
    auto it = w_->exportGuids.find(object);
    if (it == w_->exportGuids.end()) return false;
    *out = it->second;
    return true;
  }
  void Common(const CWaypointObject* object) {
    const ObjectFields& f = FieldsOf(object);
    out_.Guid(RecordGuid(object));
    out_.U32(f.created);
    out_.U32(f.modified);
  }

  void WriteHeader() {
    out_.Bytes(kMagic, kMagicSize);
    out_.U32(kWaypointFileVersion);
    const uint8_t reserved[8] = {};
    out_.Bytes(reserved, sizeof reserved);
    out_.Guid(w_->databaseGuid);
    out_.U32(w_->version);
    out_.U32(w_->timeStamp);
    out_.I32(CountOf(w_->waypoints));
    out_.U16(static_cast<uint16_t>(CountOf(w_->types)));
    out_.U16(static_cast<uint16_t>(CountOf(w_->groups)));
    out_.U16(static_cast<uint16_t>(CountOf(w_->routes)));
    out_.U8(w_->exportCopy ? kExportFlags
                           : static_cast<uint8_t>((w_->exportable ? 1 : 0) | (w_->readOnly ? 2 : 0)));
    Str* name = StrNew(w_->name);
    out_.Text8(name);
    StrDelete(name);
  }

  void Pixels(const CBmp32* bmp) {
    if (bmp == nullptr) return;
    const int32_t width = bmp->GetWidth();
    std::vector<uint8_t> row(static_cast<size_t>(width) * 4);
    for (int32_t y = 0; y < bmp->GetHeight() && out_.ok(); ++y) {
      const uint32_t* src = bmp->GetRow(y);
      for (int32_t x = 0; x < width; ++x)
        for (int b = 0; b < 4; ++b)
          row[static_cast<size_t>(x) * 4 + b] = static_cast<uint8_t>(src[x] >> (8 * b));
      out_.Bytes(row.data(), row.size());
    }
  }
  static uint8_t Side(const CBmp32* bmp, bool height) {
    if (bmp == nullptr) return 0;
    return static_cast<uint8_t>(height ? bmp->GetHeight() : bmp->GetWidth());
  }
  static bool ColourPresent(uint32_t colour) { return (colour & 0x00FFFFFFu) != 0; }

  void WriteType(const TypeImpl* t) {
    Common(t);
    out_.F32(t->hotspotX);
    out_.F32(t->hotspotY);
    out_.U8(Side(t->icon, false));
    out_.U8(Side(t->icon, true));
    out_.U8(Side(t->overlay, false));
    out_.U8(Side(t->overlay, true));
    out_.U8(static_cast<uint8_t>(t->nameFont.size));
    out_.U8(static_cast<uint8_t>(t->subnameFont.size));
    const bool nameColour = ColourPresent(t->nameColour);
    const bool subnameColour = ColourPresent(t->subnameColour);
    out_.U8(static_cast<uint8_t>((t->nameFont.style & 7) | ((t->subnameFont.style & 7) << 3) |
                                 (nameColour ? 0x40 : 0) | (subnameColour ? 0x80 : 0)));
    out_.U8(t->typeFlag & 1);
    Pixels(t->icon);
    Pixels(t->overlay);
    out_.Text8(t->GetName());
    if (nameColour) out_.U32(t->nameColour);
    if (subnameColour) out_.U32(t->subnameColour);
  }

  void WriteWaypoint(const WaypointImpl* w) {
    Common(w);
    out_.F64(w->position.latitude);
    out_.F64(w->position.longitude);
    GUID typeGuid{};
    const bool hasType = w->type != nullptr && !w->type->IsDefaultType() && ReferenceGuid(w->type, &typeGuid);
    const int32_t linkCount = w->GetLinkCount();
    const bool hasSubname = w->subname != nullptr && w->subname->length > 0;
    const bool hasComment = w->comment != nullptr && w->comment->length > 0;
    const uint8_t flagsA = static_cast<uint8_t>(
        (w->position.height != 0.0 ? 0x01 : 0) | (hasSubname ? 0x02 : 0) | (w->value1 != 0.0f ? 0x04 : 0) |
        (w->proximityDistance != 0.0f ? 0x08 : 0) | (hasComment ? 0x10 : 0) | (hasType ? 0x20 : 0) |
        (linkCount != 0 ? 0x40 : 0) | (w->linkA != nullptr ? 0x80 : 0));
    const uint8_t flagsB =
        static_cast<uint8_t>((w->linkB != nullptr ? 0x01 : 0) | (w->labelPosition != 5 ? 0x02 : 0) |
                             (w->value2 >= 0.0f ? 0x04 : 0) | (w->value3 != 0 ? 0x08 : 0));
    out_.U8(flagsA);
    out_.U8(flagsB);
    out_.Text8(w->name);
    if (flagsA & 0x01) out_.F64(w->position.height);
    if (flagsA & 0x02) out_.Text8(w->subname);
    if (flagsB & 0x02) out_.U8(static_cast<uint8_t>(w->labelPosition));
    if (flagsA & 0x04) out_.F32(w->value1);
    if (flagsB & 0x04) out_.F32(w->value2);
    if (flagsA & 0x08) out_.F32(w->proximityDistance);
    if (flagsB & 0x08) out_.I32(w->value3);
    if (flagsA & 0x10) out_.Text32(w->comment);
    if (flagsA & 0x20) out_.Guid(typeGuid);
    if (flagsA & 0x40) {
      out_.U8(static_cast<uint8_t>(linkCount));
      for (int32_t i = 0; i < linkCount; ++i) {
        const CWaypointLink* link = w->GetLink(i);
        out_.Text32(link->text1);
        out_.Text32(link->text2);
      }
    }
    if (flagsA & 0x80) out_.U8(LinkIndex(w, w->linkA));
    if (flagsB & 0x01) out_.U8(LinkIndex(w, w->linkB));
  }
  static uint8_t LinkIndex(const WaypointImpl* w, const CWaypointLink* link) {
    const int32_t i = w->IndexOfLink(link);
    return i >= 0 && i < kNoLink ? static_cast<uint8_t>(i) : kNoLink;
  }

  void WriteGroup(const GroupImpl* g) {
    Common(g);
    std::vector<GUID> members;
    for (int32_t i = 0; i < g->members.GetCount(); ++i) {
      GUID id;
      if (ReferenceGuid(ObjectOf(g->members.Get(i)), &id)) members.push_back(id);
    }
    out_.I32(static_cast<int32_t>(members.size()));
    out_.Text8(g->GetName());
    for (const GUID& id : members) out_.Guid(id);
  }

  void WriteRoute(const RouteImpl* r) {
    Common(r);
    out_.U16(static_cast<uint16_t>(r->points.GetCount()));
    out_.Text8(r->name);
    for (int32_t i = 0; i < r->points.GetCount() && out_.ok(); ++i) {
      const RoutePointImpl* p = AsPoint(r->points.Get(i));
      GUID id{};
      const bool attached = p->waypoint != nullptr && ReferenceGuid(p->waypoint, &id);
      const bool hasHeight = p->position.height != 0.0;
      out_.F64(p->position.latitude);
      out_.F64(p->position.longitude);
      out_.F32(p->radius);
      out_.U8(static_cast<uint8_t>((hasHeight ? 1 : 0) | (attached ? 2 : 0)));
      out_.Text8(p->name);
      if (hasHeight) out_.F64(p->position.height);
      if (attached) out_.Guid(id);
    }
  }

  CWaypointFileWriter* w_;
  Out out_;
};

// Each array from its last item to its first.
bool AllExportable(const CPointerList* list) {
  for (int32_t i = CountOf(list) - 1; i >= 0; --i)
    if (!ObjectOf(list->Get(i))->IsExportable()) return false;
  return true;
}

}  // namespace

void WaypointFileWriterBuild(const Str* name, const CPointerList* groups, CWaypointFileWriter* writer,
                             const GUID* databaseGuid, uint32_t version, uint32_t timeStamp, bool exportable,
                             bool readOnly, const CPointerList* types, const CPointerList* waypoints,
                             const CPointerList* routes, bool exportCopy, ErrorStatus status) {
  writer->exportGuids.clear();
  writer->exportable = exportable ? 1 : 0;
  writer->groups = groups;
  writer->databaseGuid = *databaseGuid;
  writer->exportCopy = exportCopy ? 1 : 0;
  writer->name = std::string(StrView(name));
  writer->readOnly = readOnly ? 1 : 0;
  writer->routes = routes;
  writer->timeStamp = timeStamp;
  writer->types = types;
  writer->version = version;
  writer->waypoints = waypoints;
  *status = 0;
  if (exportCopy &&
      !(AllExportable(types) && AllExportable(waypoints) && AllExportable(groups) && AllExportable(routes)))
    *status = kStatusNotExportable;
}

void WaypointFileWrite(ErrorStatus status, CWaypointFileWriter* writer, CStream* stream) {
  writer->exportGuids.clear();
  RecordWriter(writer, stream, status).Run();
}

}  // namespace vm
