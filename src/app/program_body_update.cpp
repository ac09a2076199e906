#include "app/program_body_update.h"

#include "state/program_state.h"

BodyUpdateReport body_update_report;

int UpdateBodies(StageSurface& stage) {
  const std::span<uint8_t> buffer(color_buffer.get(), color_buffer ? kColorBufferBytes : 0);
  return UpdateBodies(BodyUpdateTarget{stage, body_texture, tracked_bodies, buffer,
                                       show_markers != 0, &body_update_report});
}
