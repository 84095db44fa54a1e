// A checker of the Prometheus text exposition format, line by line, for the tests of the
// venue metrics: what node_exporter's textfile collector would refuse, it refuses too.
#pragma once

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

struct PromSample
{
    QString metric;
    QHash<QString, QString> labels; // values unescaped
    double value = 0;
};

struct PromParse
{
    QString error; // "line N: why"; empty when the text is well formed
    QList<PromSample> samples;
};

inline PromParse parsePromText(const QString &text)
{
    PromParse result;
    static const QRegularExpression help(
        QStringLiteral("^# HELP ([a-zA-Z_:][a-zA-Z0-9_:]*) (.*)$"));
    static const QRegularExpression type(QStringLiteral(
        "^# TYPE ([a-zA-Z_:][a-zA-Z0-9_:]*) (counter|gauge|histogram|summary|untyped)$"));
    static const QRegularExpression sample(QStringLiteral(
        "^([a-zA-Z_:][a-zA-Z0-9_:]*)(?:\\{((?:[a-zA-Z_][a-zA-Z0-9_]*=\"(?:[^\"\\\\\\n]|\\\\["
        "\\\\\"n])*\""
        "(?:,(?!\\}))?)*)\\})? ([-+]?(?:[0-9]+(?:\\.[0-9]*)?(?:[eE][-+]?[0-9]+)?|NaN|Inf))"
        "(?: -?[0-9]+)?$"));
    static const QRegularExpression label(
        QStringLiteral("([a-zA-Z_][a-zA-Z0-9_]*)=\"((?:[^\"\\\\\\n]|\\\\[\\\\\"n])*)\""));
    if (!text.endsWith(QLatin1Char('\n'))) {
        result.error = QStringLiteral("the text does not end with a line feed");
        return result;
    }
    QStringList lines = text.split(QLatin1Char('\n'));
    lines.removeLast();
    QSet<QString> typed;
    QSet<QString> helped;
    QSet<QString> finished; // metrics whose samples are over: a later sample would split them
    QString current;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        const auto fail = [&](const QString &why) {
            result.error = QStringLiteral("line %1: %2: %3").arg(i + 1).arg(why, line);
            return result;
        };
        if (const auto m = help.match(line); m.hasMatch()) {
            if (helped.contains(m.captured(1)))
                return fail(QStringLiteral("a second HELP"));
            helped.insert(m.captured(1));
            continue;
        }
        if (const auto m = type.match(line); m.hasMatch()) {
            if (typed.contains(m.captured(1)))
                return fail(QStringLiteral("a second TYPE"));
            typed.insert(m.captured(1));
            continue;
        }
        if (line.startsWith(QLatin1Char('#')))
            continue; // a comment
        const auto m = sample.match(line);
        if (!m.hasMatch())
            return fail(QStringLiteral("not a sample"));
        PromSample s;
        s.metric = m.captured(1);
        if (!typed.contains(s.metric))
            return fail(QStringLiteral("a sample before its TYPE"));
        if (s.metric != current) {
            if (finished.contains(s.metric))
                return fail(QStringLiteral("the metric's samples are not together"));
            if (!current.isEmpty())
                finished.insert(current);
            current = s.metric;
        }
        auto labels = label.globalMatch(m.captured(2));
        while (labels.hasNext()) {
            const auto l = labels.next();
            const QString escaped = l.captured(2);
            QString value;
            for (qsizetype k = 0; k < escaped.size(); ++k) {
                QChar c = escaped.at(k);
                if (c == QLatin1Char('\\')) {
                    c = escaped.at(++k); // the pattern allows only \\, \" and \n
                    if (c == QLatin1Char('n'))
                        c = QLatin1Char('\n');
                }
                value += c;
            }
            if (s.labels.contains(l.captured(1)))
                return fail(QStringLiteral("a label given twice"));
            s.labels.insert(l.captured(1), value);
        }
        bool ok = false;
        s.value = m.captured(3).toDouble(&ok);
        if (!ok && !m.captured(3).contains(QLatin1String("NaN")) &&
            !m.captured(3).contains(QLatin1String("Inf")))
            return fail(QStringLiteral("not a number"));
        result.samples.append(s);
    }
    return result;
}
