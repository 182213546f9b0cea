// System information: the operating system, the processor, the product name
// and version of an executable, visual themes and the night screen.
#pragma once

#include <cstdint>

#include "vmlib/frame.h"

// What the operating system reports about itself (all zero before filling).
struct WindowsVersionInfo {
  // 1 the 95/98/ME family, 2 the NT family; kPlatformIdLinux on this library's
  // own platform; other values as the system reports them.
  int32_t platformId;
  uint32_t major;
  uint32_t minor;
  uint32_t build;  // for platform 1 only the low 16 bits are kept
  uint16_t servicePackMajor;
  uint16_t servicePackMinor;
  // Suite bits 0 to 10 as the system gives them (kSuite... below).
  uint32_t suiteFlags;
  int32_t productType;        // kProductType... below
  char servicePackText[128];  // NUL-terminated, without leading and trailing blanks
  char name[128];             // the composed system name, NUL-terminated UTF-8
};

// The platform id under which the library reports a Linux host.
constexpr int32_t kPlatformIdLinux = 4;

constexpr uint32_t kSuiteSmallBusiness = 0x1;
constexpr uint32_t kSuiteEnterprise = 0x2;
constexpr uint32_t kSuiteBackOffice = 0x4;
constexpr uint32_t kSuiteCommunications = 0x8;
constexpr uint32_t kSuiteTerminal = 0x10;
constexpr uint32_t kSuiteSmallBusinessRestricted = 0x20;
constexpr uint32_t kSuiteEmbedded = 0x40;
constexpr uint32_t kSuiteDatacenter = 0x80;
constexpr uint32_t kSuiteSingleUserTerminal = 0x100;
constexpr uint32_t kSuitePersonal = 0x200;
constexpr uint32_t kSuiteBlade = 0x400;

constexpr int32_t kProductTypeWorkstation = 0;
constexpr int32_t kProductTypeDomainController = 1;
constexpr int32_t kProductTypeServer = 2;

// The processor as its identification instruction describes it (104 bytes,
// all zero before filling).
struct CpuInfo {
  uint32_t maxStandardLevel;  // highest standard identification level
  uint32_t maxExtendedLevel;  // highest extended level (0x8000000n)
  uint32_t signature;         // family/model/stepping word of level 1
  uint32_t features;          // level 1 feature bits (register EDX)
  uint32_t instructionSets;   // kCpu... bits below
  uint16_t family;            // base family; when it is 15, extended family + 15
  uint8_t model;              // base model; for family 15, extended model * 16 + base model
  uint8_t stepping;           // low 4 bits of the signature
  uint16_t brandIndex;
  uint8_t type;     // processor type, signature bits 12-13 (Intel only)
  char vendor[13];  // the 12-character vendor text and a terminating zero
  char name[64];    // processor name, may be empty
};
static_assert(sizeof(CpuInfo) == 104, "CpuInfo is a 104-byte record");

constexpr uint32_t kCpuMmx = 0x1;
constexpr uint32_t kCpuSse = 0x2;
constexpr uint32_t kCpuSse2 = 0x4;
constexpr uint32_t kCpuSse3 = 0x8;
constexpr uint32_t kCpu3DNow = 0x10;
constexpr uint32_t kCpu3DNowExt = 0x20;
constexpr uint32_t kCpuMmxExt = 0x40;

// Fills info. On Linux the name is the host's own, "<sysname> <release>
// (<machine>)", for example "Linux 6.1.0-31-amd64 (x86_64)"; major, minor and
// build are the first three numbers of the release, the platform id is
// kPlatformIdLinux and the product type workstation. Never fails.
VMLIB_EXPORT void GetWindowsVersion(WindowsVersionInfo* info);

// Fills info from the processor's identification instruction. False when the
// processor has none (every processor other than x86 and x86-64); info is
// then all zero.
VMLIB_EXPORT bool GetCPUInfo(CpuInfo* info);

// Reads the version record of an executable or shared library: the block that
// the build embeds in the ELF section ".vmversion", or the version resource of
// a Windows PE file (32- and 64-bit). productName and fileVersion are Str
// objects of the caller; both are emptied first and then receive the values
// "StringFileInfo\041304E4\ProductName" and "...\FileVersion" (the Dutch
// block, code page 1252) as UTF-8. Status:
//   0x50000 the file has no version record, or it cannot be read
//   0x50002 no FileVersion (an executable with only an English block, too)
//   0x50001 no ProductName; fileVersion is kept
VMLIB_EXPORT void VersionInfoGetProgNameAndVersion(const Str* fileName, Str* productName, Str* fileVersion,
                                                   ErrorStatus status);

// Whether the visual-styles library could be loaded at initialisation: it
// does not exist on Linux, so false.
VMLIB_EXPORT bool ThemesAvailable();
// Available, the application themed and a theme active: false on Linux.
VMLIB_EXPORT bool ThemesEnabled();

// ---------------------------------------------------------------------------
// The night screen: the process-wide object that dims colours, bitmaps and
// the system colours for use at night.
//
// Colours: a colour (DimColour) is a pixel value 0xAARRGGBB; a colour
// reference (DimColourRef) is a Windows colour value 0x00BBGGRR, and one
// whose top bit is set (a system or palette reference) is never dimmed. A
// dimmed colour has each of red, green and blue multiplied by the factor
// floor(brightness * 256 + 0.5) and shifted right by 8; the top byte is kept.
// The Dim operations dim only while night mode is active and leave their
// input unchanged otherwise.
//
// Registered colour variables, colour references and bitmaps belong to the
// caller, who unregisters them before they go. Switching night mode on saves
// their current values (a copy of each bitmap) and writes them dimmed;
// switching off writes the saved values back.

class CBmp32;           // 32-bit bitmap of the bitmap module
struct BmpSurfaceDesc;  // five int32: pixel format, pitch, width, height, row direction

class CNightScreen;
// Called after night mode is switched on (event 2), off (1) or its
// brightness changes (0), in the order in which listeners were added.
using NightScreenListener = void (*)(void* userData, CNightScreen* nightScreen, int32_t event);

constexpr int32_t kNightEventBrightness = 0;
constexpr int32_t kNightEventOff = 1;
constexpr int32_t kNightEventOn = 2;

class CNightScreen : public CObject {
public:
  // Dims 32-bit pixels (formats 8 and 9; alpha kept) in place; other formats
  // are left alone. Row y starts at pixels + y * pitch.
  virtual void DimPixels(void* pixels, const BmpSurfaceDesc* surface) = 0;
  virtual uint32_t DimColour(uint32_t colour) = 0;
  virtual void DimBitmap(CBmp32* bitmap) = 0;
  virtual uint32_t DimColourRef(uint32_t colour) = 0;
  // Dims rows of 24-bit pixels (blue, green, red bytes) in place.
  virtual void DimRgbRows(void* rows, const BmpSurfaceDesc* surface) = 0;
  virtual bool IsActive() = 0;
  // Brightness 0 (black) to 1 (undimmed); the default is 0.5 within [0, 1].
  virtual double GetBrightness() = 0;
  virtual double GetMaxBrightness() = 0;
  virtual double GetMinBrightness() = 0;
  // Records a colour variable; dims it at once when night mode is active.
  virtual void RegisterColour(uint32_t* colour) = 0;
  virtual void RegisterBitmap(CBmp32* bitmap) = 0;
  virtual void RegisterColourRef(uint32_t* colourRef) = 0;
  virtual void AddListener(NightScreenListener listener, void* userData) = 0;
  // Nothing when the state does not change; otherwise dims or restores
  // everything registered and the system colours, then calls the listeners.
  virtual void SetActive(bool active) = 0;
  // Clamps to [minimum, maximum]; while active re-dims everything from the
  // saved values; then calls the listeners with event 0. NaN is ignored.
  virtual void SetBrightness(float brightness) = 0;
  // The maximum within [minimum, 1], then the brightness is set again.
  virtual void SetMaxBrightness(float brightness) = 0;
  // The minimum within [0, maximum], then the brightness is set again.
  virtual void SetMinBrightness(float brightness) = 0;
  // The unregister operations and RemoveListener remove the newest matching
  // entry, nothing when there is none. An unregistered colour or bitmap gets
  // its saved undimmed value back while night mode is active.
  virtual void UnregisterColour(uint32_t* colour) = 0;
  virtual void UnregisterBitmap(CBmp32* bitmap) = 0;
  virtual void UnregisterColourRef(uint32_t* colourRef) = 0;
  virtual void RemoveListener(NightScreenListener listener, void* userData) = 0;

protected:
  CNightScreen() = default;
};

// The night-screen object made at library initialisation and deleted at
// finalisation (owned by the library); null outside that time.
VMLIB_EXPORT CNightScreen* GetNightScreen();
