#pragma once
#include "decoder.h"

namespace myrar::unpack {

class Unpack20 : public Decoder {
public:
    UnpackStatus unpack(const UnpackInput&, const OutputSink&) override {
        return UnpackStatus::Unsupported;
    }
};

} // namespace myrar::unpack
