#include "PrometheusText.h"

#include "VenueMetrics.h"

namespace tonvara::cli {

void PrometheusText::family(const char *name, const char *type, const char *help)
{
    m_text += QByteArray("# HELP ") + name + ' ' + help + '\n';
    m_text += QByteArray("# TYPE ") + name + ' ' + type + '\n';
}

void PrometheusText::sample(const char *name, const Labels &labels, double value)
{
    m_text += name;
    if (!labels.isEmpty()) {
        m_text += '{';
        for (qsizetype i = 0; i < labels.size(); ++i) {
            if (i > 0)
                m_text += ',';
            m_text += QByteArray(labels.at(i).first) + "=\"" +
                      escapedLabelValue(labels.at(i).second).toUtf8() + '"';
        }
        m_text += '}';
    }
    m_text += ' ' + QByteArray::number(value, 'g', 17) + '\n';
}

} // namespace tonvara::cli
