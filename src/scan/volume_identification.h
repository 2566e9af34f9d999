#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mardo {

class Catalog;
class CatalogLibrary;
class VolumeQuery;

struct IdentifiedVolume {
  enum class Outcome { kNothing, kFailed, kIdentified };

  Outcome outcome = Outcome::kNothing;
  std::string error;  // kFailed: the system's text, for the "Volume label error" box
  std::string volumeRoot;
  std::string volumeLabel;
  uint32_t serialNumber = 0;
  std::string catalogName;  // of the first loaded catalog of this volume; else empty
  std::string proposed;     // the text for the volume-label box
};

// Identifies the volume of a root path: volume root, label (a subdirectory is labelled by its
// path, "[\photos\2000]"; a volume without a label by its root, "[/media/usb/]"), serial number,
// the name of a catalog already made of it, and the proposed label.
IdentifiedVolume IdentifyVolume(std::string_view rootPath, const VolumeQuery& volumes,
                                const CatalogLibrary& library);

// Whether the medium `catalog` was made from is the one mounted at its volume root now, as a
// refresh checks before it scans again: the volume at the root (an absolute path of this system)
// has that root as its mount point and the catalog's serial number. Two cards with the same label
// mount at the same place; their serial numbers tell them apart.
bool HoldsCataloguedVolume(const Catalog& catalog, const VolumeQuery& volumes);

// The proposal for a label: a label made from a subdirectory path ("[\photos\2000]") is shortened
// to its last component ("\2000"); any other text stays.
std::string ProposeLabel(std::string_view text);

}  // namespace mardo
