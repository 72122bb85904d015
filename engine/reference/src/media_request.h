// A request to play media, read from its words: a media verb (播放, 放, 来一首,
// 我想听, 我想看, 看, 点播, 收听, 切换到 …) followed by a title. The title stays
// whole: "播放非诚勿扰" asks for a show, not for the do-not-disturb command that
// knows 勿扰. What follows the verb decides the kind: songs and shows, or
// spoken programmes (news, radio, novels, crosstalk) and TV channels, which are
// media too but not music. Stories, jokes and poems are for the chat pipeline,
// and a generic word ("放首歌", "看电影") names no title.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace norvik {

enum class MediaKind {
  Music,    // 来一首, 我想听, 放歌 …
  Video,    // 我想看, 看, 收看 …
  Either,   // 播放, 放, 点播: a song or a show
  Spoken,   // news, radio, novels, crosstalk: not music
  Channel,  // a TV channel: 湖南卫视, CCTV5
};

struct MediaRequest {
  MediaKind kind = MediaKind::Either;
  std::size_t titleBegin = 0;  // the title in the normalised query
  std::size_t titleEnd = 0;
};

const char* mediaKindName(MediaKind kind);

// The media request the query makes, or nothing when it starts with no media
// verb, names no title (a generic word, a story, a joke or a poem) or the verb
// is part of another word (放大, 看见, 听说).
std::optional<MediaRequest> readMediaRequest(const std::u32string& query);

// Whether the words name a spoken programme or a TV channel (新闻, 电台, 卫视…).
std::optional<MediaKind> programmeKind(std::u32string_view words);

// Whether the words name a radio station or broadcast (交通广播, 音乐电台,
// fm97.4): never an app to open.
bool isBroadcast(std::u32string_view words);

}  // namespace norvik
