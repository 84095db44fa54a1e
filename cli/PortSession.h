// One target on one line for the command line: the editor's link and bulk operations driven
// without a window. Connects with Identify alone; reads and uploads through BulkTransfer, so
// the frames on the line are the editor's. Created, used and destroyed on one thread (each
// port of a command runs in a thread of its own).
#pragma once

#include "BulkTransfer.h"
#include "CliLinkView.h"
#include "HeadlessWindowServices.h"
#include "ParameterStore.h"
#include "ProfileData.h"
#include "TargetLink.h"

#include <QString>

#include <atomic>
#include <memory>

namespace tonvara::cli {

class PortSession
{
  public:
    // progress: receives the progress bar's value, for another thread to show; may be null.
    explicit PortSession(std::atomic<int> *progress = nullptr);
    ~PortSession();
    PortSession(const PortSession &) = delete;
    PortSession &operator=(const PortSession &) = delete;

    TargetLink::ProbeResult connect(const QString &device);

    // The 211 settings of the target, as a profile would hold them. Starts from the factory
    // values, so nothing of an earlier upload can pass for an answer.
    BulkTransfer::Result read(ProfileData &profile);
    // The 212 frames of the editor's Upload, from a checked profile.
    BulkTransfer::Result upload(const ProfileData &profile);

    // Why the last operation stopped early, for the report: "no answer to frame 17 of 212".
    QString interruption() const;

  private:
    HeadlessWindowServices m_services;
    ParameterStore m_store;
    CliLinkView m_view;
    std::unique_ptr<TargetLink> m_link;
    std::unique_ptr<BulkTransfer> m_bulk;
    BulkTransfer::Result m_lastResult = BulkTransfer::Result::Done;
    bool m_lineLost = false;
    bool m_timedOut = false;
};

} // namespace tonvara::cli
