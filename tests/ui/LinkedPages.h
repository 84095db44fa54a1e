// The main window's pages joined by the real link, on an in-memory line, to the simulated
// target, on virtual time; connected or not. With helpers that drive the controls as a user
// does and read the frames the target received. Shared by the tests of the pages on the line.
#pragma once

#include "C_ComboBox.h"
#include "C_ScrollBar.h"
#include "InMemoryLine.h"
#include "PagesWindow.h"
#include "TargetCore.h"
#include "TargetLink.h"

#include <QTest>

#include <cstdint>
#include <memory>
#include <vector>

namespace tonvara {

using Bytes = std::vector<std::uint8_t>;

inline const QString kDevice = QStringLiteral("/dev/ttyT0");

struct LinkedPages : PagesWindow
{
    sim::TargetCore target;
    InMemoryLine *line = nullptr;
    std::unique_ptr<TargetLink> link;
    int keyTimerStarts = 0;
    std::unique_ptr<ServiceTimer> timer1 = services.createTimer(Millis(300), nullptr);

    explicit LinkedPages(bool connect = true)
    {
        auto owned = std::make_unique<InMemoryLine>(services);
        line = owned.get();
        line->table = {kDevice};
        line->attachTarget(kDevice, target);
        link = std::make_unique<TargetLink>(services, store, pages, std::move(owned));
        pages.setLink(link.get());
        QObject::connect(timer1.get(), &ServiceTimer::tick, [this] {
            timer1->setEnabled(false);
            pages.showNaturalKey();
        });
        pages.setKeyTimerStarter([this] {
            ++keyTimerStarts;
            timer1->setEnabled(true);
        });
        load();
        link->initTrafficLog();
        host.show();
        if (connect) {
            link->start();
            QVERIFY(services.runUntil([this] { return link->connected(); }, Millis(3000)));
            // Let the synchronisation finish and the window come back.
            services.advance(Millis(100));
        }
    }
    ~LinkedPages() { pages.setLink(nullptr); }

    std::size_t mark() const { return line->writes.size(); }
    std::vector<Bytes> framesSince(std::size_t from) const
    {
        std::vector<Bytes> frames;
        for (std::size_t i = from; i < line->writes.size(); ++i)
            if (line->writes[i].bytes.size() == 6)
                frames.push_back(line->writes[i].bytes);
        return frames;
    }
    // Points at the knob (the slider then takes arrow keys) and steps it.
    void step(C_ScrollBar *slider, int steps)
    {
        QTest::mouseMove(slider, QPoint(50, slider->knobY()));
        for (int i = 0; i < std::abs(steps); ++i) {
            QTest::keyClick(slider, steps > 0 ? Qt::Key_Up : Qt::Key_Down);
            services.advance(Millis(50)); // the answer arrives; the slider is enabled again
        }
    }
    void pick(C_ComboBox *list, int row)
    {
        QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(10, 8));
        QWidget *popup = list->listWindow();
        QVERIFY(popup && popup->isVisible());
        const QPoint at(10, row * list->rowPitch() + list->rowPitch() / 2);
        QTest::mouseMove(popup, at);
        QTest::mousePress(popup, Qt::LeftButton, {}, at);
        QTest::mouseRelease(popup, Qt::LeftButton, {}, at);
        services.advance(Millis(500));
    }
    void click(QWidget *w, QPoint at = QPoint(5, 5))
    {
        QTest::mouseClick(w, Qt::LeftButton, {}, at);
        services.advance(Millis(50));
    }
};

inline Bytes frame(int command, int group, int mode, int address, int value)
{
    return {0xCD,
            std::uint8_t(command),
            std::uint8_t(group),
            std::uint8_t(mode),
            std::uint8_t(address),
            std::uint8_t(value)};
}

} // namespace tonvara

Q_DECLARE_METATYPE(tonvara::Bytes)
