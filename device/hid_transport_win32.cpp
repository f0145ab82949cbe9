#include "device/hid_transport_win32.h"

#include <windows.h>
extern "C" {
#include <hidsdi.h>
}

#include <algorithm>

namespace zlv {

namespace {

HANDLE AsHandle(HidHandle handle) { return reinterpret_cast<HANDLE>(handle); }

DWORD ClampedLength(std::size_t length) {
  return static_cast<DWORD>(std::min<std::size_t>(length, MAXDWORD));
}

}  // namespace

Win32HidTransport::Win32HidTransport(const DeviceLink& link)
    : link_(link),
      read_done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      cancel_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

Win32HidTransport::~Win32HidTransport() {
  if (read_done_ != nullptr) CloseHandle(read_done_);
  if (cancel_ != nullptr) CloseHandle(cancel_);
}

bool Win32HidTransport::WriteHandleUsable() const { return link_.HidWriteHandle != kInvalidHandle; }

std::size_t Win32HidTransport::FeatureReportLength() const {
  return link_.FeatureCaps().featureReportByteLength;
}

bool Win32HidTransport::SendFeatureReport(const std::uint8_t* data, std::size_t length) {
  const HidHandle handle = link_.HidWriteHandle;
  if (!IsOpenHandle(handle)) return false;
  return HidD_SetFeature(AsHandle(handle), const_cast<std::uint8_t*>(data), static_cast<ULONG>(ClampedLength(length)));
}

std::size_t Win32HidTransport::InputReportLength() const { return link_.InputCaps().inputReportByteLength; }

bool Win32HidTransport::ReadInputReport(std::uint8_t* data, std::size_t length) {
  const HidHandle handle = link_.HidReadHandle;
  if (!IsOpenHandle(handle) || length == 0 || read_done_ == nullptr || cancel_ == nullptr) return false;
  if (WaitForSingleObject(cancel_, 0) == WAIT_OBJECT_0) return false;

  HANDLE file = AsHandle(handle);
  OVERLAPPED overlapped{};
  overlapped.hEvent = read_done_;
  DWORD transferred = 0;
  if (ReadFile(file, data, ClampedLength(length), &transferred, &overlapped)) return true;
  if (GetLastError() != ERROR_IO_PENDING) return false;

  HANDLE events[2] = {read_done_, cancel_};
  const DWORD woken = WaitForMultipleObjects(2, events, FALSE, INFINITE);
  if (woken != WAIT_OBJECT_0) CancelIo(file);
  // The read must be finished before its buffer and record go out of scope,
  // cancelled or not.
  const BOOL finished = GetOverlappedResult(file, &overlapped, &transferred, TRUE);
  return finished && woken == WAIT_OBJECT_0;
}

void Win32HidTransport::CancelRead() {
  if (cancel_ != nullptr) SetEvent(cancel_);
}

void Win32HidTransport::ResumeReads() {
  if (cancel_ != nullptr) ResetEvent(cancel_);
}

}  // namespace zlv
