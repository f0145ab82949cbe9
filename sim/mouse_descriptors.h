// Report descriptors of the mouse's collections, as a Linux host reads them
// from its hidraw nodes: the standard mouse, and the two vendor collections
// of the protocol with report id 7 and seven data bytes (eight bytes on the
// wire with the id, the lengths of the virtual mouse). The descriptors of a
// fake sysfs tree and of an emulated device come from here.
#pragma once

#include <cstdint>
#include <vector>

namespace zlv::mouse_descriptors {

// Usage page 0xFF00, usage 1: input report 7.
inline const std::vector<std::uint8_t> kVendorInput = {
    0x06, 0x00, 0xFF,  // usage page 0xFF00
    0x09, 0x01,        // usage 1
    0xA1, 0x01,        // collection (application)
    0x85, 0x07,        //   report id 7
    0x09, 0x01,        //   usage 1
    0x15, 0x00,        //   logical minimum 0
    0x26, 0xFF, 0x00,  //   logical maximum 255
    0x75, 0x08,        //   report size 8
    0x95, 0x07,        //   report count 7
    0x81, 0x02,        //   input (data, variable, absolute)
    0xC0,              // end collection
};

// Usage page 0xFF01, usage 1: feature report 7.
inline const std::vector<std::uint8_t> kVendorFeature = {
    0x06, 0x01, 0xFF,  // usage page 0xFF01
    0x09, 0x01,        // usage 1
    0xA1, 0x01,        // collection (application)
    0x85, 0x07,        //   report id 7
    0x09, 0x01,        //   usage 1
    0x15, 0x00,        //   logical minimum 0
    0x26, 0xFF, 0x00,  //   logical maximum 255
    0x75, 0x08,        //   report size 8
    0x95, 0x07,        //   report count 7
    0xB1, 0x02,        //   feature (data, variable, absolute)
    0xC0,              // end collection
};

// Generic desktop mouse with three buttons and x, y: input report 1 (4 bytes).
inline const std::vector<std::uint8_t> kStandardMouse = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01,  // generic desktop, mouse, application
    0x85, 0x01,                          //   report id 1
    0x09, 0x01, 0xA1, 0x00,              //   pointer, physical collection
    0x05, 0x09, 0x19, 0x01, 0x29, 0x03,  //     buttons 1..3
    0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02,
    0x95, 0x01, 0x75, 0x05, 0x81, 0x03,  //     padding
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31,  //     x, y
    0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06,
    0xC0,                                //   end physical
    0xC0,                                // end application
};

}  // namespace zlv::mouse_descriptors
