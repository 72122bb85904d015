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
  bool website = false;   // the name says it is a site (…网, …网站, …官网, an address)
  bool siteWord = false;  // with a word for a site (网站, 官网, 网页) or an address, not just 网
  bool referred = false;  // after 这个 / 那个: something at hand or mentioned before, not a name
};

// Nothing when the query is not (after politeness) an opening verb and a name,
// or a name and an opening verb ("把微信打开", "微信打开一下"). 开 and 上 are read
// only where they cannot start another word (开会, 上班): 开 after a polite lead
// or before 一下 / 个; 上, 去 and 进 only with a site.
std::optional<OpenRequest> readOpenRequest(const std::u32string& query);

// The length of a word for a site (网站, 官网, 网页…) that ends `name`, or 0.
std::size_t siteWordLength(const std::u32string& name);

}  // namespace norvik
