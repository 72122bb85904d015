// A request to open something by name: 打开 / 启动 / 运行 / 进入 / 开 / 上 … and a
// name. Whether the name is a known command's (打开蓝牙), a web site (…网,
// …网站, …官网, a web address), a device or a programme is for the router to
// tell; this reads the words.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace norvik {

struct OpenRequest {
  std::size_t nameBegin = 0;  // the name in the normalised query
  std::size_t nameEnd = 0;
  bool website = false;  // the name says it is a site
};

// Nothing when the query does not start (after politeness) with an opening verb
// and a name. 开 and 上 are read only where they cannot start another word
// (开会, 上班): 开 after a polite lead or before 一下 / 个, 上 and 去 only with a site.
std::optional<OpenRequest> readOpenRequest(const std::u32string& query);

// Whether the name ends in a feature inside an app (付款码, 扫一扫, 朋友圈…)
// rather than naming an app.
bool namesAFeature(const std::u32string& name);

}  // namespace norvik
