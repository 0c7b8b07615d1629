#pragma once
// A profile file written by the test itself, with every option and a few choices each.

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace qvj::test {

// Choice values differ from the readers' defaults where a test tells them apart.
inline const char kTestProfile[] = "[Main]\r\n"
                                   "Type=mp4\r\n"
                                   "\r\n"
                                   "[Video Codec]\r\n"
                                   "Items=2\r\n"
                                   "Caption0=MPEG-4\r\n"
                                   "value0=mpeg4\r\n"
                                   "Caption1=WMV\r\n"
                                   "value1=wmv2\r\n"
                                   "Index=0\r\n"
                                   "Description=The video codec.\r\n"
                                   "\r\n"
                                   "[Video Size]\r\n"
                                   "Items=2\r\n"
                                   "Caption0=640 x 480\r\n"
                                   "value0=640:480\r\n"
                                   "Caption1=720 x 576\r\n"
                                   "value1=720:576\r\n"
                                   "Index=0\r\n"
                                   "\r\n"
                                   "[Video Bitrate]\r\n"
                                   "Items=2\r\n"
                                   "Caption0=1000\r\n"
                                   "Caption1=2000\r\n"
                                   "Index=0\r\n"
                                   "Description=Kilobits per second.\r\n"
                                   "\r\n"
                                   "[Aspect]\r\n"
                                   "Items=3\r\n"
                                   "Caption0=Auto\r\n"
                                   "Caption1=16:9\r\n"
                                   "value1=16/9\r\n"
                                   "Caption2=4:3\r\n"
                                   "value2=4:3\r\n"
                                   "Index=0\r\n"
                                   "\r\n"
                                   "[Audio Codec]\r\n"
                                   "Items=6\r\n"
                                   "Caption0=MP3\r\n"
                                   "Caption1=AC3\r\n"
                                   "value1=ac3\r\n"
                                   "Caption2=PCM\r\n"
                                   "Caption3=MP2\r\n"
                                   "value3=mp2\r\n"
                                   "Caption4=mp2\r\n"
                                   "value4=mp2\r\n"
                                   "Caption5=AAC\r\n"
                                   "value5=aac\r\n"
                                   "Index=0\r\n"
                                   "Description=The audio codec.\r\n"
                                   "\r\n"
                                   "[MP3 Encode]\r\n"
                                   "Items=4\r\n"
                                   "Caption0=VBR\r\n"
                                   "value0=vbr\r\n"
                                   "Caption1=ABR\r\n"
                                   "value1=abr\r\n"
                                   "Caption2=CBR\r\n"
                                   "value2=cbr\r\n"
                                   "Caption3=VBR upper\r\n"
                                   "value3=VBR\r\n"
                                   "Index=0\r\n"
                                   "Description=How MP3 is encoded.\r\n"
                                   "\r\n"
                                   "[VBR Quality]\r\n"
                                   "Items=2\r\n"
                                   "Caption0=6\r\n"
                                   "value0=6\r\n"
                                   "Caption1=2\r\n"
                                   "value1=2\r\n"
                                   "Index=0\r\n"
                                   "\r\n"
                                   "[ABR CBR Bitrate]\r\n"
                                   "Items=2\r\n"
                                   "Caption0=128\r\n"
                                   "value0=128\r\n"
                                   "Caption1=192\r\n"
                                   "value1=192\r\n"
                                   "Index=0\r\n"
                                   "\r\n"
                                   "[Audio Bitrate]\r\n"
                                   "Items=3\r\n"
                                   "Caption0=128\r\n"
                                   "Caption1=192\r\n"
                                   "Caption2=96\r\n"
                                   "Index=0\r\n"
                                   "\r\n"
                                   "[Sample Rate]\r\n"
                                   "Items=2\r\n"
                                   "Caption0=44100\r\n"
                                   "Caption1=48000\r\n"
                                   "Index=0\r\n"
                                   "\r\n"
                                   "[Channels]\r\n"
                                   "Items=2\r\n"
                                   "Caption0=Stereo\r\n"
                                   "value0=2\r\n"
                                   "Caption1=Mono\r\n"
                                   "value1=1\r\n"
                                   "Index=0\r\n";

// Writes data to path; fails the test when it cannot.
inline void WriteFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(data), data.size());
}

class ProfileTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        profilePath = dir.filePath(QStringLiteral("Test.bpf"));
        WriteFile(profilePath, kTestProfile);
    }

    QTemporaryDir dir;
    QString profilePath;
};

} // namespace qvj::test
