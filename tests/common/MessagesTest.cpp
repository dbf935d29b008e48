// The shared message boxes: the box of no checked files and the file-error box.
#include <gtest/gtest.h>

#include "FakePorts.h"
#include "common/Messages.h"

namespace tagmora {
namespace {

TEST(Messages, SharedBoxes) {
    test::FakeHost host;
    ShowNoCheckedFiles(host);
    ShowFileError(host, 13, "/music/a.mp3");
    ShowFileError(host, 28, "/music/a.mp3.tmp", kWhileUsingTemporaryFile);
    ASSERT_EQ(host.Messages.size(), 3u);
    EXPECT_EQ(host.Messages[0].Text, "Нет выбранных файлов.");
    EXPECT_EQ(host.Messages[0].Caption, "Tagmora");
    EXPECT_EQ(host.Messages[0].Icon, MessageIcon::Information);
    EXPECT_EQ(host.Messages[1].Text, "Код ошибки - 13 при открытии файла \n/music/a.mp3");
    EXPECT_EQ(host.Messages[1].Caption, "Tagmora - ошибка при выполнении операции");
    EXPECT_EQ(host.Messages[1].Icon, MessageIcon::Error);
    EXPECT_EQ(host.Messages[1].Buttons, MessageButtons::Ok);
    EXPECT_EQ(host.Messages[2].Text, "Код ошибки - 28 работе с временным файлом\n/music/a.mp3.tmp");
}

}  // namespace
}  // namespace tagmora
