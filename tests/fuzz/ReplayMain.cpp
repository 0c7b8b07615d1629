// Feeds every file of the given corpus folders to the fuzz target, in name order, so that the
// corpus runs as a regression test with any compiler and without libFuzzer.
#include "FuzzTarget.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        const QDir folder(QFile::decodeName(argv[i]));
        if (!folder.exists()) {
            std::fprintf(stderr, "no corpus folder %s\n", argv[i]);
            return 1;
        }
        for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
            QFile file(folder.filePath(name));
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
                return 1;
            }
            const QByteArray data = file.readAll();
            std::fprintf(stderr, "%s\n", qPrintable(file.fileName()));
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(data.constData()),
                                   size_t(data.size()));
            ++files;
        }
    }
    std::printf("%d inputs replayed\n", files);
    return files > 0 ? 0 : 1;
}
