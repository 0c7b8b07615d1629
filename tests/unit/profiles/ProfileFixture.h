#pragma once
// A profile file written by the test itself, with every option and a few choices each.

#include "common/TestSupport.h"
#include "profiles/ProfileOption.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace qvj::test {

// Each option's choices as "Caption" or "Caption=value", in the order of kProfileOptions;
// choice 0 is selected. Values differ from the readers' defaults where a test tells them apart.
inline const std::vector<std::vector<const char *>> kTestChoices
    = {{"MPEG-4=mpeg4", "WMV=wmv2"},
       {"640 x 480=640:480", "720 x 576=720:576"},
       {"1000", "2000"},
       {"Auto", "16:9=16/9", "4:3=4:3"},
       {"MP3", "AC3=ac3", "PCM", "MP2=mp2", "mp2=mp2", "AAC=aac"},
       {"VBR=vbr", "ABR=abr", "CBR=cbr", "VBR upper=VBR"},
       {"6=6", "2=2"},
       {"128=128", "192=192"},
       {"128", "192", "96"},
       {"44100", "48000"},
       {"Stereo=2", "Mono=1"}};

// The test profile's text: type mp4, and "<section> help." as each option's description.
inline QByteArray TestProfileText()
{
    QByteArray text = "[Main]\r\nType=mp4\r\n";
    for (size_t s = 0; s < kTestChoices.size(); ++s) {
        const QByteArray section = SectionName(kProfileOptions[s]).toUtf8();
        const std::vector<const char *> &choices = kTestChoices[s];
        text += "\r\n[" + section + "]\r\nItems=" + QByteArray::number(qsizetype(choices.size()));
        for (size_t i = 0; i < choices.size(); ++i) {
            const QByteArray n = QByteArray::number(qsizetype(i));
            const QList<QByteArray> parts = QByteArray(choices[i]).split('=');
            text += "\r\nCaption" + n + "=" + parts[0];
            if (parts.size() > 1)
                text += "\r\nvalue" + n + "=" + parts[1];
        }
        text += "\r\nIndex=0\r\nDescription=" + section + " help.\r\n";
    }
    return text;
}

class ProfileTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        WriteFile(profilePath, TestProfileText());
    }

    QTemporaryDir dir;
    QString profilePath = dir.filePath(QStringLiteral("Test.bpf"));
};

} // namespace qvj::test
