// The Prometheus text exposition format, written by hand: a HELP and a TYPE line per family,
// then one sample a line with its label values escaped as the venue check's metrics file does.
// Plain value type; any thread.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace tonvara::cli {

class PrometheusText
{
  public:
    using Labels = QList<QPair<const char *, QString>>;

    void family(const char *name, const char *type, const char *help);
    void sample(const char *name, const Labels &labels, double value);
    QByteArray text() const { return m_text; }

  private:
    QByteArray m_text;
};

} // namespace tonvara::cli
