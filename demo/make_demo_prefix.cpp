// Builds the demo environment from its description:
//   veridon-demo-prefix DESCRIPTION PREFIX_DIR
// The folder is emptied first, so a rebuild gives exactly the described prefix.
#include "support/DemoPrefixBuilder.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: veridon-demo-prefix DESCRIPTION PREFIX_DIR\n", stderr);
        return 2;
    }
    try {
        QFile description(QString::fromLocal8Bit(argv[1]));
        if (!description.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot read " + description.fileName().toStdString());
        const QString prefix = QString::fromLocal8Bit(argv[2]);
        QDir(prefix).removeRecursively();
        veridon::test::DemoPrefixBuilder builder(prefix);
        builder.build(QString::fromUtf8(description.readAll()));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veridon-demo-prefix: %s\n", e.what());
        return 2;
    }
}
