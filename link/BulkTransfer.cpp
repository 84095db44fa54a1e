#include "BulkTransfer.h"

#include "CommandFrame.h"
#include "LinkView.h"
#include "SettingsCatalog.h"
#include "TargetLink.h"
#include "WindowServices.h"

#include <QString>

namespace tonvara {

namespace {

constexpr std::uint8_t u8(int value)
{
    return static_cast<std::uint8_t>(value);
}

std::size_t index(TableId id)
{
    return static_cast<std::size_t>(id);
}

} // namespace

BulkTransfer::BulkTransfer(WindowServices &services, TargetLink &link, ParameterStore &store,
                           LinkView &view)
    : m_services(services), m_link(link), m_store(store), m_view(view)
{
}

BulkTransfer::Result BulkTransfer::readAllFromTarget()
{
    return readAll([this](const ReadResult &result) { apply(result); });
}

std::optional<ProfileData> BulkTransfer::readTargetSettings()
{
    std::optional<ProfileData> settings;
    readAll([&settings](const ReadResult &result) { settings = settingsOf(result); });
    return settings;
}

BulkTransfer::Result BulkTransfer::readAll(const std::function<void(const ReadResult &)> &complete)
{
    if (!m_link.connected()) {
        m_services.messageBox(QString::fromLatin1(kNotConnectedMessage), MessageIcon::Warning,
                              MessageButtons::Ok);
        return Result::NotConnected;
    }
    m_view.setMainWindowEnabled(false);
    m_link.beginProgress(m_link.framesTotal());

    ReadResult result;
    const Outcome outcome = collect(result);
    if (outcome == Outcome::Complete)
        complete(result);

    m_view.setMainWindowEnabled(true);
    m_link.endProgress();
    // An unanswered frame has been reported by the link already.
    switch (outcome) {
    case Outcome::Complete:
        return Result::Done;
    case Outcome::Interrupted:
        return Result::Interrupted;
    case Outcome::RuntimeError:
        break;
    }
    m_services.messageBox(QString::fromLatin1(kReadErrorMessage), MessageIcon::Critical,
                          MessageButtons::Ok);
    return Result::ReadError;
}

BulkTransfer::Outcome BulkTransfer::collect(ReadResult &result)
{
    for (const TableId id : kAllTables) {
        ModeTable &table = result.tables[index(id)];
        // The addresses come from the store; only the values are the target's.
        table = m_store.table(id);
        const TableShape shape = shapeOf(id);
        for (int row = 0; row < shape.rowCount; ++row) {
            const int mode = ParameterStore::modeNumberOfRow(id, row);
            for (int slot = 0; slot < shape.slotCount; ++slot) {
                ParamCell &cell = table.cellAt(row, slot);
                if (!read(shape.group, mode, cell.address, cell.value))
                    return Outcome::Interrupted;
                const SlotSpec &slotDef = slotSpec(id, slot);
                // A toggle reads any answer but 0 as on, and the store keeps what it shows; a
                // slider cannot hold more than its maximum, and the store must not keep what
                // the slider does not show.
                if (slotDef.isToggle())
                    cell.value = cell.value != 0 ? 1 : 0;
                else if (cell.value > slotDef.maximum)
                    return Outcome::RuntimeError;
            }
        }
    }

    std::uint8_t answer = 0;
    if (!read(Group::Mute, 0, 0, answer))
        return Outcome::Interrupted;
    result.mute = answer != 0;
    if (!read(Group::Lock, 0, 0, answer))
        return Outcome::Interrupted;
    result.lock = answer != 0;
    if (!read(Group::Exciter, 0, 0, answer))
        return Outcome::Interrupted;
    result.exciter = answer != 0;
    if (!read(Group::InputSelect, 0, 0, answer))
        return Outcome::Interrupted;
    // No option has an index of 3 or more: none is selected then.
    result.input = answer < kNoInput ? answer : kNoInput;

    for (int k = 0; k < kVolSetCount; ++k) {
        VolSet &group = result.volSet[static_cast<std::size_t>(k)];
        // Each answer its spin bar cannot hold, or a minimum above the maximum, ends the read
        // there, reported: the spin bars and the store would disagree otherwise.
        if (!read(Group::MinLevel, 0, k, group.minLevel))
            return Outcome::Interrupted;
        if (group.minLevel > kLevelMax)
            return Outcome::RuntimeError;
        if (!read(Group::MaxLevel, 0, k, group.maxLevel))
            return Outcome::Interrupted;
        if (group.maxLevel > kLevelMax || group.minLevel > group.maxLevel)
            return Outcome::RuntimeError;
        if (!read(Group::StartMode, 0, k, group.startMode))
            return Outcome::Interrupted;
        if (group.startMode > startModeMax(k))
            return Outcome::RuntimeError;
    }
    return Outcome::Complete;
}

void BulkTransfer::apply(const ReadResult &result)
{
    for (const TableId id : kAllTables)
        m_store.table(id) = result.tables[index(id)];
    m_view.showCurrentModes();

    m_store.mute = result.mute;
    m_view.setMute(result.mute);
    m_store.lock = result.lock;
    m_view.setLock(result.lock);
    m_store.exciter = result.exciter;
    m_view.setExciter(result.exciter);
    m_view.clearInputs();
    m_store.inputSelect = kNoInput;
    if (result.input != kNoInput) {
        m_view.selectInput(result.input);
        m_store.inputSelect = result.input;
    }

    // The view keeps the store's VOL(SET) records equal to its spin bars.
    for (int k = 0; k < kVolSetCount; ++k) {
        const VolSet &group = result.volSet[static_cast<std::size_t>(k)];
        m_view.applyVolSetGroup(k, group.minLevel, group.maxLevel, group.startMode);
    }
}

ProfileData BulkTransfer::settingsOf(const ReadResult &result)
{
    ProfileData settings;
    for (const TableId id : kAllTables) {
        const ModeTable &table = result.tables[index(id)];
        for (int row = 0; row < table.rowCount(); ++row)
            for (int slot = 0; slot < table.slotCount(); ++slot)
                settings.setValue(id, row, slot, table.cellAt(row, slot).value);
    }
    settings.mute = result.mute;
    settings.lock = result.lock;
    settings.exciter = result.exciter;
    settings.inputSelect = result.input;
    for (int k = 0; k < kVolSetCount; ++k) {
        const VolSet &read = result.volSet[static_cast<std::size_t>(k)];
        settings.vol[static_cast<std::size_t>(k)] = {read.minLevel, read.maxLevel, read.startMode};
    }
    return settings;
}

BulkTransfer::Result BulkTransfer::uploadAllToTarget()
{
    if (!m_link.connected()) {
        m_services.messageBox(QString::fromLatin1(kNotConnectedMessage), MessageIcon::Warning,
                              MessageButtons::Ok);
        return Result::NotConnected;
    }
    m_view.setMainWindowEnabled(false);
    m_link.beginProgress(m_link.framesTotal());
    bool ended = false;
    if (upload()) {
        // Closes the upload on the target. The window goes on alike whatever it answers; the
        // command line counts an unanswered UploadEnd as a failed upload.
        ended = m_link.sendFrame(/*collectReply=*/false, 0, Command::UploadEnd, 0, 0, 0, 0,
                                 /*pauseWhenZero=*/false);
    }
    m_view.setMainWindowEnabled(true);
    m_link.endProgress();
    return ended ? Result::Done : Result::Interrupted;
}

bool BulkTransfer::upload()
{
    for (const TableId id : kAllTables) {
        const TableShape shape = shapeOf(id);
        for (int row = 0; row < shape.rowCount; ++row) {
            const int mode = ParameterStore::modeNumberOfRow(id, row);
            for (int slot = 0; slot < shape.slotCount; ++slot) {
                const ParamCell &cell = m_store.cellAt(id, row, slot);
                if (!write(shape.group, mode, cell.address, cell.value))
                    return false;
            }
        }
    }
    // The spin bars hold the VOL(SET) numbers.
    for (int k = 0; k < kVolSetCount; ++k) {
        if (!write(Group::MinLevel, 0, k, m_view.spinValue(3 * k)) ||
            !write(Group::MaxLevel, 0, k, m_view.spinValue(3 * k + 1)) ||
            !write(Group::StartMode, 0, k, m_view.spinValue(3 * k + 2)))
            return false;
    }
    // Mute off is the one frame whose acknowledgement is awaited only after a pause.
    return write(Group::Mute, 0, 0, m_view.muteOn() ? 1 : 0, /*pauseWhenZero=*/true) &&
           write(Group::Lock, 0, 0, m_view.lockOn() ? 1 : 0) &&
           write(Group::Exciter, 0, 0, m_view.exciterOn() ? 1 : 0) &&
           write(Group::InputSelect, 0, 0, m_view.selectedInput());
}

bool BulkTransfer::read(int group, int mode, int address, std::uint8_t &answer)
{
    if (!m_link.sendFrame(/*collectReply=*/true, 1, Command::Read, group, u8(mode), u8(address), 0,
                          /*pauseWhenZero=*/false))
        return false;
    answer = m_link.replyBuffer()[0];
    return true;
}

bool BulkTransfer::write(int group, int mode, int address, int value, bool pauseWhenZero)
{
    return m_link.sendFrame(/*collectReply=*/false, 0, Command::UploadWrite, group, u8(mode),
                            u8(address), u8(value), pauseWhenZero);
}

} // namespace tonvara
