// The whole-set operations of the Read and Upload buttons: every stored setting of every mode
// read from the target, or sent to it, one acknowledged frame at a time, with the main window
// disabled and the progress bar following. A Read applies nothing until every answer is in, so
// an interrupted Read leaves the editor exactly as it was. The same read also fills a separate
// copy of the target's settings for a comparison, leaving the editor alone.
// The command line runs the same two operations through a view of its own, so the frames on
// the line are the editor's. Owned by the composition root; user-interface thread only.
#pragma once

#include "ParameterStore.h"
#include "ProfileData.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace tonvara {

class LinkView;
class TargetLink;
class WindowServices;

class BulkTransfer
{
  public:
    static constexpr int kReadFrames = 211;
    static constexpr int kUploadFrames = 212;

    static constexpr const char *kNotConnectedMessage = "Is not connected to the target.";
    static constexpr const char *kReadErrorMessage =
        "An error occurred while reading data from target.";

    BulkTransfer(WindowServices &services, TargetLink &link, ParameterStore &store, LinkView &view);

    enum class Result
    {
        Done,
        NotConnected,
        Interrupted, // a frame went unanswered or the line went away; the link has said so
        ReadError    // an answer the window cannot hold ended the Read
    };

    // Both count progress against the link's framesTotal, which the caller sets first. The
    // window's messages are shown here; the result is for callers that report on their own.
    // An Upload is Done only when UploadEnd was acknowledged too.
    Result readAllFromTarget();
    Result uploadAllToTarget();
    // The Read's frames, progress, disabled window and messages, but the answers go into a copy
    // and nothing of the editor changes. The target's settings, or nothing when the read did not
    // run to its end (not connected, an unanswered frame, an answer the window cannot hold).
    std::optional<ProfileData> readTargetSettings();

  private:
    // Everything a Read collects before it touches the store or the window.
    struct ReadResult
    {
        std::array<ModeTable, 4> tables;
        bool mute = false;
        bool lock = false;
        bool exciter = false;
        std::uint8_t input = kNoInput;
        std::array<VolSet, kVolSetCount> volSet{};
    };
    enum class Outcome
    {
        Complete,
        Interrupted,
        RuntimeError
    };

    // Everything a Read does around collecting; complete() runs on a full collection, while the
    // window is still disabled.
    Result readAll(const std::function<void(const ReadResult &)> &complete);
    Outcome collect(ReadResult &result);
    void apply(const ReadResult &result);
    static ProfileData settingsOf(const ReadResult &result);
    bool upload();
    // One Read request; the answer in `answer` when it came.
    bool read(int group, int mode, int address, std::uint8_t &answer);
    bool write(int group, int mode, int address, int value, bool pauseWhenZero = false);

    WindowServices &m_services;
    TargetLink &m_link;
    ParameterStore &m_store;
    LinkView &m_view;
};

} // namespace tonvara
