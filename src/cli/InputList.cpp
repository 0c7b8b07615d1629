#include "cli/InputList.h"

#include "platform/RawNames.h"

QStringList ParseInputList(const QByteArray &bytes)
{
    QStringList paths;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        QByteArray line = bytes.mid(start, end - start);
        start = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        line.replace('\0', QByteArray());
        if (line.trimmed().isEmpty())
            continue;
        paths << NameFromBytes(line);
    }
    return paths;
}
