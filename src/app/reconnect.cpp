#include "app/reconnect.h"

#include "app/captions.h"

namespace corvane {

Reconnector::Reconnector(LinkControl& link, const PortSetting& port, WindowControl& window,
                         UiScheduler& scheduler, std::chrono::milliseconds period)
    : link_(link), port_(port), window_(window), scheduler_(scheduler), period_(period) {}

void Reconnector::LinkLost(int port, std::string address) {
  ++series_;
  lost_port_ = port;
  lost_address_ = std::move(address);
  waiting_ = true;
  window_.SetCaption(ReconnectingCaption(lost_port_, lost_address_));
  ScheduleTry();
}

void Reconnector::Stop() {
  ++series_;
  waiting_ = false;
}

void Reconnector::ScheduleTry() {
  scheduler_.PostDelayed(period_, [this, series = series_] { Try(series); });
}

void Reconnector::Try(uint64_t series) {
  if (series != series_ || !waiting_) return;
  // The operator moved to another port: that choice stands, tried or not.
  // The operator may also have brought the link back through the dialog.
  const bool moved = lost_address_.empty()
                         ? port_.Port() != lost_port_ || !port_.NetworkAddress().empty()
                         : port_.NetworkAddress() != lost_address_;
  if (moved || link_.LinkUp()) {
    waiting_ = false;
    return;
  }
  // The operator's own open through the dialog is under way: its outcome
  // decides the next try.
  if (link_.Opening()) {
    ScheduleTry();
    return;
  }
  // A device server's answer comes later; the window goes on meanwhile.
  link_.OpenLink([this, series](std::error_code failed) { Tried(series, failed); });
}

void Reconnector::Tried(uint64_t series, std::error_code failed) {
  if (series != series_ || !waiting_) return;
  // Why a try failed is not shown: the caption says the link is away.
  if (!failed) {
    waiting_ = false;
    window_.SetCaption(LinkCaption(lost_port_, lost_address_));
    return;
  }
  // Overtaken by the operator's own open: the next try looks at that.
  if (OpenCancelled(failed)) {
    ScheduleTry();
    return;
  }
  ++failed_tries_;
  // Quietly: a box per try would bury the operator. The caption is set
  // again, as the dialog may have named the port meanwhile.
  window_.SetCaption(ReconnectingCaption(lost_port_, lost_address_));
  ScheduleTry();
}

}  // namespace corvane
