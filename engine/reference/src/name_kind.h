// What the name in an open or close request stands for. "打开X" runs the host's
// app opener only for what can be an app: a device (空调, 灯), a file or a disk
// (简历, D盘), a feature inside an app (微信付款码) or a description ("昨天写的那个
// 文档", "所有窗口") is for the LLM.
#pragma once

#include <string>

namespace norvik {

enum class NameKind { App, Device, File, Feature, Description };

const char* nameKindName(NameKind kind);

// `name` is normalised text.
NameKind classifyName(const std::u32string& name);

}  // namespace norvik
