#include "name_kind.h"

#include <algorithm>

#include "text_scan.h"

namespace norvik {

namespace {

// Household devices and appliances: the pet cannot switch them.
const WordTable kDevices = {U"灯",     U"空调",   U"电视",   U"窗帘",     U"风扇",   U"电扇",   U"热水器", U"加湿器",
                            U"除湿机", U"净化器", U"扫地",   U"拖地",     U"冰箱",   U"洗衣机", U"烘干机", U"洗碗机",
                            U"音箱",   U"投影",   U"电饭煲", U"烤箱",     U"微波炉", U"暖气",   U"地暖",   U"新风",
                            U"晾衣架", U"插座",   U"门锁",   U"空气炸锅", U"电热毯", U"取暖器", U"油烟机", U"热水",
                            U"车窗",   U"车门",   U"后备箱", U"天窗"};
// Things that are files, folders or disks rather than apps.
const WordTable kFileEndings = {U"文件", U"文件夹", U"目录", U"盘",   U"照片", U"图片", U"相片",  U"录音",
                                U"报告", U"简历",   U"合同", U"作业", U"论文", U"附件", U"压缩包"};
// Features inside an app.
const WordTable kFeatures = {U"付款码",   U"收款码", U"扫一扫", U"扫码",     U"朋友圈", U"钱包",   U"小程序",
                             U"健康码",   U"乘车码", U"公众号", U"聊天记录", U"群聊",   U"视频号", U"设置",
                             U"相册",     U"收藏",   U"购物车", U"订单",     U"消息",   U"通讯录", U"直播间",
                             U"个人中心", U"草稿箱", U"收件箱", U"发件箱"};
// Settings and features of the system rather than apps.
const WordTable kSystemFeatures = {U"热点",     U"流量",   U"移动数据", U"数据网络", U"定位",   U"gps",    U"nfc",
                                   U"vpn",      U"投屏",   U"分屏",     U"手电筒",   U"闪光灯", U"麦克风", U"省电",
                                   U"自动旋转", U"屏保",   U"键盘",     U"触摸板",   U"代理",   U"防火墙", U"声卡",
                                   U"显卡",     U"开关",   U"字幕",     U"弹幕",     U"歌词",   U"音效",   U"环绕声",
                                   U"外放",     U"输入法", U"剪贴板",   U"电源",     U"位置",   U"蓝光",   U"注册表"};
// Words of quantity or reference: a description of what to open, not its name.
const WordTable kDescriptions = {U"所有", U"全部", U"每个", U"除了", U"以外", U"其他", U"一切",   U"这些", U"那些",
                                 U"都",   U"刚才", U"昨天", U"今天", U"上次", U"最近", U"桌面上", U"里面", U"里的"};

constexpr std::size_t kMaxNameHan = 6;

}  // namespace

const char* nameKindName(NameKind kind) {
  switch (kind) {
    case NameKind::Device:
      return "a device";
    case NameKind::File:
      return "a file or a folder";
    case NameKind::Feature:
      return "a feature inside an app";
    case NameKind::Description:
      return "a description rather than a name";
    case NameKind::App:
      break;
  }
  return "an app";
}

NameKind classifyName(const std::u32string& name) {
  const auto han = static_cast<std::size_t>(std::count_if(name.begin(), name.end(), isHan));
  const bool describes = han > kMaxNameHan || containsAny(name, kDescriptions) ||
                         (name.size() > 3 && name.find(U'的') != std::u32string::npos);
  if (describes) return NameKind::Description;
  if (containsAny(name, kDevices)) return NameKind::Device;
  if (containsAny(name, kSystemFeatures)) return NameKind::Feature;
  // "省电模式", "游戏模式": a mode of something, not an app.
  if (name.size() > 2 &&
      (name.compare(name.size() - 2, 2, U"模式") == 0 || name.compare(name.size() - 2, 2, U"功能") == 0)) {
    return NameKind::Feature;
  }
  const std::size_t file = wordBefore(name, name.size(), kFileEndings);
  const bool storageApp = name.size() > 2 && (name.compare(name.size() - 2, 2, U"网盘") == 0 ||
                                              name.compare(name.size() - 2, 2, U"云盘") == 0);
  if (file > 0 && file < name.size() && !storageApp) return NameKind::File;
  const std::size_t feature = wordBefore(name, name.size(), kFeatures);
  if (feature > 0) return NameKind::Feature;
  return NameKind::App;
}

}  // namespace norvik
