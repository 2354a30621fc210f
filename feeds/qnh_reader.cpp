#include "feeds/qnh_reader.h"

#include "core/log.h"
#include "feeds/reader_lamps.h"

std::atomic<std::int32_t> trafficQnh{standardQnh};
QnhReader qnhReader;

QnhReader::QnhReader() : UdpReader("QNH Reader") {}

void QnhReader::publish(std::int32_t hpa) {
  // 1013 is published every time: it is also what live traffic's reset sets.
  if (hpa == lastQnh.load() && hpa != standardQnh) return;
  lastQnh = hpa;
  trafficQnh.exchange(hpa);
  feedDisplay.qnhShown = hpa;
  LampState stale = lampStale;
  feedDisplay.weatherLamp.compare_exchange_strong(stale, lampReceiving);
  gf_requestRepaint(feedDisplayRect);
}

void QnhReader::resetFeed() {
  lastQnh = standardQnh;
  stop = false;
  forgetPreviousDatagram();
  badDatagrams.flush(&gf_log);
  datagramCount = 0;
  countSeen = 0;
}

void QnhReader::onDatagram() {
  const auto reading = gf_readQnh(std::string_view(datagram, datagramLength));
  if (!reading.logText.empty())
    badDatagrams.write(gf_messageKind(reading.logText), reading.logText, reading.warning ? &gf_logWarning : &gf_log);
  if (reading.hpa) publish(*reading.hpa);
}

void QnhReader::onListening() {
  feedDisplay.weatherLamp = lampReceiving;
  gf_requestRepaint(feedDisplayRect);
}

void QnhReader::onStopped() { gf_log("QNH Reader has stopped"); }

void gf_runQnhReader(std::int32_t port) { qnhReader.run(port); }
