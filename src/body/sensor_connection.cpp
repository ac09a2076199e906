#include "body/sensor_connection.h"

#include "body/sensor/sensor_problem.h"
#include "body/sensor/sensor_registry.h"

SensorConnection sensor_connection;

namespace {

// Gets a stream's source and opens its reader; the source is dropped again.
template <class Source, class Reader>
Status OpenStream(IKinectSensor& sensor,
                  Status (IKinectSensor::*get_source)(std::unique_ptr<Source>*),
                  std::unique_ptr<Reader>* reader) {
  std::unique_ptr<Source> source;
  Status status = (sensor.*get_source)(&source);
  if (Failed(status)) return status;
  return source->OpenReader(reader);
}

}  // namespace

int OpenSensor() {
  // A new run starts from nothing: handles an earlier run left behind must not
  // be polled as if they belonged to this one.
  CloseSensor();
  ClearSensorProblem();

  Status status = GetDefaultKinectSensor(&sensor_connection.sensor);
  if (Failed(status)) return status;
  if (!sensor_connection.sensor) return 0;

  SensorConnection& c = sensor_connection;
  IKinectSensor& sensor = *c.sensor;
  status = sensor.Open();
  if (Succeeded(status)) status = sensor.get_CoordinateMapper(&c.coordinate_mapper);
  if (Succeeded(status))
    status = OpenStream(sensor, &IKinectSensor::get_ColorFrameSource, &c.color_reader);
  if (Succeeded(status))
    status = OpenStream(sensor, &IKinectSensor::get_DepthFrameSource, &c.depth_reader);
  if (Succeeded(status))
    status = OpenStream(sensor, &IKinectSensor::get_BodyFrameSource, &c.body_reader);
  if (Succeeded(status))
    status = OpenStream(sensor, &IKinectSensor::get_BodyIndexFrameSource, &c.body_index_reader);
  if (Succeeded(status)) c.frame_set_reader = sensor.OpenFrameSetReader();
  return Succeeded(status) ? 1 : 0;
}

int CloseSensor() {
  SensorConnection& c = sensor_connection;
  c.coordinate_mapper.reset();
  // The readers go too: they hold the device, and a closed device has nothing
  // more to deliver.
  c.color_reader.reset();
  c.depth_reader.reset();
  c.body_reader.reset();
  c.body_index_reader.reset();
  c.frame_set_reader.reset();
  if (c.sensor) {
    c.sensor->Close();
    c.sensor.reset();
  }
  return 1;
}

int64_t NewestColourFramePublishedAt_ns() {
  const auto& reader = sensor_connection.color_reader;
  return reader ? reader->NewestFramePublishedAt_ns() : 0;
}

SensorDescription DescribeOpenSensor() {
  SensorDescription description;
  description.backend = sensor_connection.sensor ? SelectedSensorBackendName() : "none";
  if (sensor_connection.sensor) sensor_connection.sensor->Describe(&description);
  return description;
}

int64_t NewestBodyFramePublishedAt_ns() {
  const auto& reader = sensor_connection.body_reader;
  return reader ? reader->NewestFramePublishedAt_ns() : 0;
}

SessionRecordingReport StartSessionRecording(const SessionRecordingPlan& plan) {
  return sensor_connection.sensor ? sensor_connection.sensor->StartSessionRecording(plan)
                                  : SessionRecordingReport{};
}

SessionRecordingReport FinishSessionRecording() {
  return sensor_connection.sensor ? sensor_connection.sensor->FinishSessionRecording()
                                  : SessionRecordingReport{};
}
