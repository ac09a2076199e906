#pragma once
// A texture table in memory only, for reading sensor pictures through the body
// update away from the stage: the pixel operations work, nothing is drawn,
// lettered or presented.

#include "stage/stage_surface.h"

class MemorySurface final : public StageSurface {
 public:
  void DrawSprite(int, float, float, uint32_t) override {}
  bool BeginFrame() override { return true; }
  void EndFrame() override {}

 protected:
  bool DecodeImage(const std::string&, int32_t&, int32_t&, std::vector<uint32_t>&) override {
    return false;
  }
  void RasterizeText(const std::string&, int32_t, int32_t, uint32_t,
                     std::vector<uint32_t>&) override {}
};
