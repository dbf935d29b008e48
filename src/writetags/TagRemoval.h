// The tag removal commands AGID3v11 "&Удалить TAG ID3v1" (KillTags1MnuClick) and AGID3v21
// "У&далить TAG ID3v2" (KillTags2MnuClick): after a question, one tag version is removed from
// every checked file with progress, and the checked rows are read again.
#pragma once

#include <string>
#include <vector>

#include "tags/Id3v2Write.h"
#include "writetags/TagEngine.h"

namespace tagmora {

class FileList;

inline constexpr const char* kKillTags1Question = "Будут удалены ID3 v1 в выбранных файлах. Продолжить?";
inline constexpr const char* kKillTags2Question = "Будут удалены ID3 v2 в выбранных файлах. Продолжить?";
inline constexpr const char* kStatusRemovingV1 = " Удаление TAG'ов ID3v1...";
inline constexpr const char* kStatusRemovingV2 = " Удаление TAG'ов ID3v2...";

// What became of one checked row's file.
struct TagRemovalOutcome {
    std::string Path;
    TagOutcome Outcome;
};

// Removes tag version `version` (1 or 2) from the checked files: "Нет выбранных файлов." when no
// row is checked; the question (caption "Tagmora", question icon, Yes and No), anything but Yes
// stops; the status text, the remover per checked row with progress 100 / N * i (Abort in the
// ID3v2 remover's box ends the loop), ShowTotal, the summary box "Один или несколько файлов
// остались без изменения..." when a removal failed (files missing, read-only with TryChangeAttrs
// off or without the tag are passed over silently), and BuildList of the checked rows. Empty when
// nothing was removed or asked.
std::vector<TagRemovalOutcome> RemoveTagsFromChecked(FileList& list, int version, const TagEngine& engine);

// The menu commands: KillTags1MnuClick is RemoveTagsFromChecked(1); KillTags2MnuClick first shows
// " Подождите..." (it stays when the command stops early), then RemoveTagsFromChecked(2). Both with
// the real tag engine; run them through RunCommand.
std::vector<TagRemovalOutcome> KillTags1MnuClick(FileList& list, Id3v2WriteSession& session);
std::vector<TagRemovalOutcome> KillTags2MnuClick(FileList& list, Id3v2WriteSession& session);

}  // namespace tagmora
