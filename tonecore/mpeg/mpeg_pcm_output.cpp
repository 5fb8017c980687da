#include "tonecore/mpeg/mpeg_pcm_output.h"

void CMpegPcmOutput::Reset() {
    synthesis_[0].Reset();
    synthesis_[1].Reset();
}

void CMpegPcmOutput::SetRateReduction(int reduction) {
    synthesis_[0].SetRateReduction(reduction);
    synthesis_[1].SetRateReduction(reduction);
}

void CMpegPcmOutput::BeginFrame(std::int16_t* pcm, std::uint32_t streamChannels, std::int32_t routing) {
    streamChannels_ = streamChannels == 2 ? 2 : 1;
    routing_ = streamChannels_ == 2 && routing >= kRoutingStereo && routing <= kRoutingMix ? routing : kRoutingStereo;
    samplesPerChannel_ = 0;
    if (streamChannels_ == 2 && routing_ == kRoutingStereo) {
        outputChannels_ = 2;
        synthesis_[0].SetOutput(pcm, 2);
        synthesis_[1].SetOutput(pcm != nullptr ? pcm + 1 : nullptr, 2);
    } else {
        outputChannels_ = 1;
        synthesis_[routing_ == kRoutingRight ? 1 : 0].SetOutput(pcm, 1);
    }
}

bool CMpegPcmOutput::NeedsChannel(int channel) const {
    if (channel == 0) return streamChannels_ == 1 || routing_ != kRoutingRight;
    return streamChannels_ == 2 && routing_ != kRoutingLeft;
}

void CMpegPcmOutput::Slot(const float* left, const float* right) {
    if (outputChannels_ == 2) {
        synthesis_[0].Slot(left);
        synthesis_[1].Slot(right);
    } else if (streamChannels_ == 1 || routing_ == kRoutingLeft) {
        synthesis_[0].Slot(left);
    } else if (routing_ == kRoutingRight) {
        synthesis_[1].Slot(right);
    } else {
        float mixed[MpegSynthesisState::kSubbands];
        for (int k = 0; k < MpegSynthesisState::kSubbands; ++k) mixed[k] = (left[k] + right[k]) * 0.5f;
        synthesis_[0].Slot(mixed);
    }
    samplesPerChannel_ += static_cast<std::uint32_t>(synthesis_[0].OutputsPerSlot());
}

void CMpegPcmOutput::SilentSlot() {
    if (outputChannels_ == 2) {
        synthesis_[0].SilentSlot();
        synthesis_[1].SilentSlot();
    } else {
        synthesis_[streamChannels_ == 2 && routing_ == kRoutingRight ? 1 : 0].SilentSlot();
    }
    samplesPerChannel_ += static_cast<std::uint32_t>(synthesis_[0].OutputsPerSlot());
}
