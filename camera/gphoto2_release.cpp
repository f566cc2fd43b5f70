// The release.
#include "camera/camera_status.h"
#include "camera/gphoto2_names.h"
#include "camera/gphoto2_session.h"

namespace tevra {

uint32_t Gphoto2Session::Release(CameraRef camera) {
  if (const uint32_t status = CheckOpen(camera); status != CamOk) {
    return status;
  }
  // The driver throws away the events it finds waiting before a release; pass them on first.
  Poll();
  if (lost_) {
    return CamDisconnected;
  }
  const int result = gp_camera_trigger_capture(camera_, context_);
  return CameraStatusOfGphoto2(result, Gphoto2Call::Release, *log_);
}

}  // namespace tevra
