#include "server/demo/demo_data.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "server/demo/demo_process_cards.h"
#include "server/demo/demo_rows.h"

namespace qk::server {

namespace {

using demo::Field;
using demo::fmt;
using demo::insertRow;
using demo::round2;
using demo::text;
using protocol::Params;
using protocol::Value;

// A fixed-seed generator, so that every demo account set holds the same rows on every platform
// (the standard library's distributions differ between implementations).
class Lcg {
 public:
  explicit Lcg(std::uint64_t seed) : state_(seed) {}
  std::uint32_t next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state_ >> 33);
  }
  // Uniform enough for sample data in [lo, hi].
  int between(int lo, int hi) { return lo + static_cast<int>(next() % (hi - lo + 1)); }
  bool chance(int percent) { return between(1, 100) <= percent; }
  template <typename T, std::size_t N>
  const T& pick(const std::array<T, N>& items) {
    return items[next() % N];
  }

 private:
  std::uint64_t state_;
};

Value number(double d) {
  return d;
}
Value integer(std::int64_t i) {
  return i;
}
Value flag(bool b) {
  return std::int64_t{b ? 1 : 0};
}

// ---------------------------------------------------------------------------------------------
// Organisation: departments, staff, devices, processes
// ---------------------------------------------------------------------------------------------

enum DepKind { kOffice, kPlant, kWarehouse, kOutsourcing, kVirtual };

struct Department {
  const char* no;
  const char* name;
  DepKind kind;
  const char* remark;
  int staff;  // employees of the demo in this department
  std::array<const char*, 3> jobs;
};

constexpr std::array<Department, 20> kDepartments{{
    {"01", "总经办", kOffice, "", 2, {"总经理", "副总经理", "行政文员"}},
    {"02", "销售部", kOffice, "", 3, {"销售经理", "销售内勤", "业务员"}},
    {"03", "采购部", kOffice, "", 2, {"采购经理", "采购员", "采购员"}},
    {"04", "技术部", kOffice, "产品设计与工艺", 3, {"技术部长", "工艺员", "设计员"}},
    {"05", "质检部", kOffice, "进货检验与成品检验", 3, {"质检部长", "检验员", "理化试验员"}},
    {"06", "财务部", kOffice, "", 2, {"财务经理", "会计", "出纳"}},
    {"07", "生产计划部", kOffice, "", 2, {"生产经理", "计划员", "调度员"}},
    {"11", "下料车间", kPlant, "锯切与火焰切割", 3, {"班长", "锯床工", "切割工"}},
    {"12", "锻造车间", kPlant, "自由锻与模锻", 4, {"班长", "锻工", "加热工"}},
    {"13", "机加工车间", kPlant, "车、钻、铣", 7, {"班长", "车工", "数控车工"}},
    {"14", "热处理车间", kPlant, "正火、调质、固溶", 2, {"班长", "热处理工", "热处理工"}},
    {"15", "装配车间", kPlant, "阀门装配", 3, {"班长", "装配工", "装配工"}},
    {"16", "试压喷漆车间", kPlant, "壳体与密封试验、涂装", 2, {"班长", "试压工", "油漆工"}},
    {"21", "原材料仓", kWarehouse, "钢材、铸件", 1, {"仓管员", "仓管员", "仓管员"}},
    {"22", "半成品仓", kWarehouse, "自制零件", 0, {"仓管员", "仓管员", "仓管员"}},
    {"23", "成品仓", kWarehouse, "阀门、法兰、管件成品", 1, {"仓管员", "仓管员", "仓管员"}},
    {"24", "辅料仓", kWarehouse, "紧固件、密封件、油漆", 0, {"仓管员", "仓管员", "仓管员"}},
    {"31", "恒通热处理厂", kOutsourcing, "外协热处理", 0, {"", "", ""}},
    {"32", "精诚机械加工厂", kOutsourcing, "外协机加工", 0, {"", "", ""}},
    {"99", "虚拟部门", kVirtual, "外购件直接流转", 0, {"", "", ""}},
}};

void addDepartments(db::Connection& c) {
  for (const Department& d : kDepartments) {
    insertRow(c, "bas_dep",
              {{"depNo", text(d.no)},
               {"depName", text(d.name)},
               {"remark", text(d.remark)},
               {"isOw", flag(d.kind == kOutsourcing)},
               {"isWh", flag(d.kind == kWarehouse)},
               {"isPlant", flag(d.kind == kPlant)},
               {"isVirt", flag(d.kind == kVirtual)}});
  }
}

constexpr std::array<const char*, 24> kSurnames{"王", "李", "张", "刘", "陈", "杨", "赵", "黄",
                                                "周", "吴", "徐", "孙", "胡", "朱", "高", "林",
                                                "何", "郭", "马", "罗", "梁", "宋", "郑", "谢"};
constexpr std::array<const char*, 24> kMaleNames{
    "伟",   "强",   "磊",   "军",   "勇",   "杰",   "涛",   "明",   "超",   "刚",   "斌",   "鹏",
    "建华", "志强", "国平", "海军", "晓东", "永刚", "建军", "文彬", "俊杰", "宏伟", "立新", "德明"};
constexpr std::array<const char*, 16> kFemaleNames{"芳",   "娜",   "敏",   "静",   "丽",   "艳",
                                                   "娟",   "霞",   "婷",   "秀英", "桂英", "海燕",
                                                   "红梅", "丽华", "晓燕", "雪梅"};
constexpr std::array<const char*, 5> kEducation{"初中", "高中", "中专", "大专", "本科"};

std::string personName(Lcg& rng, bool male) {
  std::string name = rng.pick(kSurnames);
  name += male ? rng.pick(kMaleNames) : rng.pick(kFemaleNames);
  return name;
}

void addStaff(db::Connection& c, Lcg& rng) {
  std::set<std::string> used;
  int seq = 0;
  for (const Department& d : kDepartments) {
    for (int i = 0; i < d.staff; ++i) {
      // Shop floors are mostly men, offices mixed.
      const bool male = d.kind == kPlant ? rng.chance(90) : rng.chance(55);
      std::string name;
      do {
        name = personName(rng, male);
      } while (!used.insert(name).second);
      const int born = rng.between(1966, 2000);
      const int joined = std::max(born + 19, rng.between(2003, 2023));
      const bool office = d.kind == kOffice;
      const int education = office ? rng.between(3, 4) : rng.between(0, 3);
      // Separate statements: the order of evaluation of arguments is not fixed.
      const int month = rng.between(1, 12);
      const int day = rng.between(1, 28);
      insertRow(c, "bas_staff",
                {{"staffNo", text(fmt("Y%03d", ++seq))},
                 {"staffName", text(name)},
                 {"sex", text(male ? "男" : "女")},
                 {"birth", text(fmt("%d-%02d-%02d", born, month, day))},
                 {"resume", text(fmt("%d年入职", joined))},
                 {"education", text(kEducation[static_cast<std::size_t>(education)])},
                 {"depNo", text(d.no)},
                 {"remark", text(d.jobs[i == 0 ? 0 : 1 + (i % 2)])}});
    }
  }
}

struct Device {
  const char* no;
  const char* name;
  const char* size;
  const char* remark;
};

constexpr std::array<Device, 16> kDevices{{
    {"SB01", "带锯床", "GZ4235", "下料车间"},
    {"SB02", "数控火焰切割机", "CNC-4000", "下料车间"},
    {"SB03", "空气锤", "C41-250", "锻造车间"},
    {"SB04", "中频感应加热炉", "KGPS-250", "锻造车间"},
    {"SB05", "卧式车床", "CW6163", "机加工车间"},
    {"SB06", "普通车床", "C6140", "机加工车间"},
    {"SB07", "数控车床", "CK6150", "机加工车间"},
    {"SB08", "数控车床", "CK6140", "机加工车间"},
    {"SB09", "立式车床", "C5116", "机加工车间"},
    {"SB10", "摇臂钻床", "Z3050", "机加工车间"},
    {"SB11", "立式加工中心", "VMC850", "机加工车间"},
    {"SB12", "台车式电阻炉", "RT3-105-9", "热处理车间"},
    {"SB13", "井式回火炉", "RJ2-75-6", "热处理车间"},
    {"SB14", "阀门液压试验台", "DN15-DN300", "试压喷漆车间"},
    {"SB15", "喷漆房", "PQ-6000", "试压喷漆车间"},
    {"SB16", "研磨机", "YM-300", "装配车间"},
}};

struct Process {
  const char* no;
  const char* name;
  const char* remark;
};

constexpr std::array<Process, 15> kProcesses{{
    {"GX01", "下料", "锯切、火焰切割"},
    {"GX02", "锻造", "自由锻、模锻"},
    {"GX03", "正火", "锻后正火"},
    {"GX04", "粗车", "留精车余量"},
    {"GX05", "精车", "车至图纸尺寸"},
    {"GX06", "钻孔", "法兰螺栓孔"},
    {"GX07", "铣削", "铣平面、铣槽"},
    {"GX08", "攻丝", ""},
    {"GX09", "堆焊", "密封面堆焊"},
    {"GX10", "研磨", "密封面研磨"},
    {"GX11", "调质", "阀杆调质"},
    {"GX12", "装配", ""},
    {"GX13", "试压", "壳体试验与密封试验"},
    {"GX14", "喷漆", "底漆、面漆"},
    {"GX15", "包装", ""},
}};

void addDevicesAndProcesses(db::Connection& c) {
  for (const Device& d : kDevices) {
    insertRow(c, "bas_device",
              {{"devNo", text(d.no)},
               {"devName", text(d.name)},
               {"devSize", text(d.size)},
               {"remark", text(d.remark)}});
  }
  for (const Process& p : kProcesses) {
    insertRow(c, "bas_process",
              {{"procNo", text(p.no)}, {"procName", text(p.name)}, {"remark", text(p.remark)}});
  }
}

// ---------------------------------------------------------------------------------------------
// Business partners
// ---------------------------------------------------------------------------------------------

struct Partner {
  const char* name;
  const char* address;
  const char* areaCode;
  const char* domain;  // short enough for the 20-character e-mail and web columns
};

constexpr std::array<Partner, 20> kCustomers{{
    {"江苏华远化工有限公司", "南京市六合区化工园长丰河路18号", "025", "hyhg.com"},
    {"浙江恒泰石化工程有限公司", "杭州市萧山区建设一路66号", "0571", "htshjs.com"},
    {"上海东润水务设备有限公司", "上海市浦东新区川沙路1288号", "021", "drsw.com"},
    {"宁波永盛热电有限公司", "宁波市北仑区新碶街道明州路9号", "0574", "ysrd.com"},
    {"山东鲁信化肥股份有限公司", "济南市历城区工业北路207号", "0531", "lxhf.com"},
    {"天津滨海管道工程有限公司", "天津市滨海新区塘沽海洋路45号", "022", "bhgd.com"},
    {"河北中宏管件有限公司", "沧州市孟村回族自治县工业区", "0317", "zhgj.com"},
    {"安徽皖江制药有限公司", "合肥市经开区繁华大道512号", "0551", "wjzy.com"},
    {"湖北楚天燃气工程有限公司", "武汉市东西湖区走马岭路3号", "027", "ctrq.com"},
    {"四川蜀能电力设备有限公司", "成都市新都区工业东区兴业路", "028", "snpower.com"},
    {"陕西秦峰煤化工有限公司", "西安市高陵区泾河工业园", "029", "qfmh.com"},
    {"河南中原水处理设备有限公司", "郑州市管城区航海东路88号", "0371", "zysc.com"},
    {"苏州新区热力有限公司", "苏州市虎丘区滨河路688号", "0512", "szrl.com"},
    {"无锡宏达造纸有限公司", "无锡市惠山区洛社镇工业园", "0510", "hdzz.com"},
    {"温州瓯江阀门销售有限公司", "温州市龙湾区永中街道阀门城", "0577", "ojfm.com"},
    {"广东粤海石化设备有限公司", "广州市黄埔区石化路203号", "020", "yhsh.com"},
    {"辽宁沈北热电有限公司", "沈阳市沈北新区蒲河路12号", "024", "sbrd.com"},
    {"福建闽江化纤有限公司", "福州市长乐区滨海工业区", "0591", "mjhx.com"},
    {"江西赣电新能源有限公司", "南昌市新建区长堎工业园", "0791", "gdxny.com"},
    {"重庆渝化工程安装有限公司", "重庆市长寿区化北路17号", "023", "yhaz.com"},
}};

enum SupplierGroup { kSteel, kCasting, kFastener, kSeal, kPaint, kCutter, kPipe };

struct Supplier {
  Partner partner;
  SupplierGroup group;
};

constexpr std::array<Supplier, 15> kSuppliers{{
    {{"江阴华兴特钢有限公司", "江阴市璜土镇工业集中区", "0510", "hxtg.com"}, kSteel},
    {{"无锡恒润钢材贸易有限公司", "无锡市锡山区东港镇钢材市场", "0510", "hrgc.com"}, kSteel},
    {{"上海宝联不锈钢有限公司", "上海市宝山区蕴川路2200号", "021", "blbxg.com"}, kSteel},
    {{"泊头市永鑫铸造有限公司", "泊头市交河镇铸造园区", "0317", "yxzz.com"}, kCasting},
    {{"温州龙湾精铸有限公司", "温州市龙湾区状元街道", "0577", "lwjz.com"}, kCasting},
    {{"永嘉县瓯北阀门铸件厂", "永嘉县瓯北街道五星工业区", "0577", "obzj.com"}, kCasting},
    {{"邯郸永年标准件厂", "邯郸市永年区临洺关镇", "0310", "ynbzj.com"}, kFastener},
    {{"温州瑞安紧固件有限公司", "瑞安市塘下镇韩田工业区", "0577", "rajgj.com"}, kFastener},
    {{"宁波天盾密封件有限公司", "宁波市鄞州区姜山镇工业园", "0574", "tdmf.com"}, kSeal},
    {{"上海申达石墨填料厂", "上海市嘉定区马陆镇", "021", "sdsm.com"}, kSeal},
    {{"常州华彩涂料有限公司", "常州市新北区春江镇", "0519", "hctl.com"}, kPaint},
    {{"株洲恒锐刀具有限公司", "株洲市荷塘区金山工业园", "0731", "hrdj.com"}, kCutter},
    {{"苏州精工刀具贸易有限公司", "苏州市吴中区木渎镇", "0512", "jgdj.com"}, kCutter},
    {{"沧州盛达管道有限公司", "沧州市盐山县城南工业区", "0317", "sdgd.com"}, kPipe},
    {{"天津宏联钢管有限公司", "天津市东丽区军粮城工业园", "022", "hlgg.com"}, kPipe},
}};

constexpr std::array<const char*, 4> kCredit{"AA级", "A级", "A级", "B级"};
constexpr std::array<const char*, 3> kScale{"大型", "中型", "小型"};

std::string phone(Lcg& rng, const char* areaCode) {
  // Four-digit area codes go with seven-digit numbers, three-digit ones with eight.
  const bool longArea = std::string_view(areaCode).size() == 4;
  return fmt(longArea ? "%s-%07d" : "%s-%08d", areaCode,
             longArea ? rng.between(5000000, 8999999) : rng.between(50000000, 89999999));
}

void addPartners(db::Connection& c, Lcg& rng) {
  int seq = 0;
  for (const Partner& p : kCustomers) {
    const std::string tel = phone(rng, p.areaCode);
    std::string contact = rng.pick(kSurnames);
    contact += rng.chance(60) ? "经理" : "工";
    insertRow(c, "bas_cust",
              {{"custNo", text(fmt("KH%03d", ++seq))},
               {"custName", text(p.name)},
               {"optName", text("")},
               {"contact", text(contact)},
               {"address", text(p.address)},
               {"tel", text(tel)},
               {"fax", text(tel.substr(0, tel.size() - 1) + std::to_string(rng.between(0, 9)))},
               {"credit", text(rng.pick(kCredit))},
               {"crew", text(fmt("%d人", rng.between(5, 120) * 10))},
               {"scale", text(rng.pick(kScale))},
               {"email", text(std::string("sales@") + p.domain)},
               {"http", text(std::string("www.") + p.domain)}});
  }
  seq = 0;
  for (const Supplier& s : kSuppliers) {
    const Partner& p = s.partner;
    const std::string tel = phone(rng, p.areaCode);
    insertRow(c, "bas_sup",
              {{"supNo", text(fmt("GYS%02d", ++seq))},
               {"supName", text(p.name)},
               {"address", text(p.address)},
               {"tel", text(tel)},
               {"fax", text(tel.substr(0, tel.size() - 1) + std::to_string(rng.between(0, 9)))},
               {"credit", text(rng.pick(kCredit))},
               {"crew", text(fmt("%d人", rng.between(3, 60) * 10))},
               {"scale", text(kScale[static_cast<std::size_t>(rng.between(1, 2))])},
               {"email", text(std::string("info@") + p.domain)},
               {"http", text(std::string("www.") + p.domain)}});
  }
}

// ---------------------------------------------------------------------------------------------
// Reference lists: document types, inspection methods, drawing categories
// ---------------------------------------------------------------------------------------------

void addReferenceLists(db::Connection& c) {
  struct DocType {
    const char* family;
    const char* no;
    const char* type;
    const char* remark;
  };
  static constexpr std::array<DocType, 15> kDocTypes{{
      {"入库单", "11", "生产入库", "车间完工入库"},
      {"入库单", "12", "采购入库", ""},
      {"入库单", "13", "外协入库", "外协加工返回"},
      {"入库单", "14", "退货入库", "客户退货"},
      {"入库单", "15", "盘盈入库", ""},
      {"入库单", "16", "其他入库", ""},
      {"出库单", "21", "销售出库", ""},
      {"出库单", "22", "生产领用", "车间领用零件"},
      {"出库单", "23", "外协发出", "发外协加工"},
      {"出库单", "24", "报废出库", ""},
      {"出库单", "25", "盘亏出库", ""},
      {"出库单", "26", "其他出库", ""},
      {"工艺卡片", "31", "机加工", "车、钻、铣工艺"},
      {"工艺卡片", "32", "锻压", "锻造工艺"},
      {"工艺卡片", "33", "热处理", "热处理工艺"},
  }};
  for (const DocType& d : kDocTypes) {
    insertRow(c, "bas_doc",
              {{"docType", text(d.type)},
               {"remark", text(d.remark)},
               {"docNo", text(d.no)},
               {"docId", text(d.family)}});
  }

  static constexpr std::array<std::array<const char*, 3>, 5> kCheckMethods{{
      {"01", "全检", "逐件检验"},
      {"02", "抽检", "按GB/T 2828.1抽样"},
      {"03", "首件检验", "批量前首件确认"},
      {"04", "免检", "合格供方免检物资"},
      {"05", "理化检验", "化学成分与力学性能"},
  }};
  for (const auto& m : kCheckMethods) {
    insertRow(c, "bas_checkId",
              {{"checkIdNo", text(m[0])}, {"checkIdName", text(m[1])}, {"remark", text(m[2])}});
  }

  static constexpr std::array<std::array<const char*, 3>, 5> kDrawingCategories{{
      {"01", "装配图", "产品总装图"},
      {"02", "零件图", "自制零件加工图"},
      {"03", "毛坯图", "铸件、锻件毛坯图"},
      {"04", "工艺图", "工序简图"},
      {"05", "外购件图", "外购件选型图"},
  }};
  for (const auto& d : kDrawingCategories) {
    insertRow(c, "bas_dId",
              {{"drwIdNo", text(d[0])}, {"drwIdName", text(d[1])}, {"remark", text(d[2])}});
  }
}

// ---------------------------------------------------------------------------------------------
// Product categories and products
// ---------------------------------------------------------------------------------------------

struct Category {
  const char* id;
  const char* name;
  const char* parent;  // empty for a top-level category
  bool needBom;
  bool needDrawing;
};

constexpr std::array<Category, 24> kCategories{{
    {"01", "成品", "", true, true},         {"0101", "闸阀", "01", true, true},
    {"0102", "截止阀", "01", true, true},   {"0103", "球阀", "01", true, true},
    {"0104", "止回阀", "01", true, true},   {"0105", "蝶阀", "01", true, true},
    {"0106", "法兰", "01", false, true},    {"0107", "管件", "01", false, false},
    {"02", "半成品", "", true, true},       {"0201", "阀体", "02", true, true},
    {"0202", "阀盖", "02", true, true},     {"0203", "阀杆", "02", true, true},
    {"0204", "闸板", "02", true, true},     {"03", "原材料", "", false, false},
    {"0301", "圆钢", "03", false, false},   {"0302", "钢管", "03", false, false},
    {"0303", "铸件", "03", false, true},    {"04", "辅料", "", false, false},
    {"0401", "紧固件", "04", false, false}, {"0402", "密封件", "04", false, false},
    {"0403", "填料", "04", false, false},   {"0404", "油漆", "04", false, false},
    {"05", "刀具", "", false, false},       {"0501", "车刀及刀片", "05", false, false},
}};

void addCategories(db::Connection& c) {
  for (const Category& cat : kCategories) {
    const bool top = *cat.parent == '\0';
    insertRow(
        c, "bas_productId",
        {{"productId", text(cat.id)},
         {"pIdName", text(cat.name)},
         {"realPID", text(top ? std::string(cat.id) : std::string(cat.parent) + "-" + cat.id)},
         {"lev", integer(top ? 1 : 2)},
         {"parent_id", text(cat.parent)},
         {"remark", text("")},
         {"needBom", flag(cat.needBom)},
         {"needDrawing", flag(cat.needDrawing)}});
  }
}

struct Product {
  std::string no;
  std::string category;
  std::string name, size, pressure, material, standard, unit;
  double cost = 0;
  bool made = false;  // 自制, else 采购
  double weight = 0;  // kg per unit; 0 for items sold by weight or not weighed
  double low = 0, high = 0;
  bool cutter = false;
  std::string brand, remark, model, connection;
};

// The products of the demo, numbered in the order they are added as the products screen
// would number them (PRDS and six digits).
class Catalogue {
 public:
  Product& add(Product p) {
    p.no = fmt("PRDS%06d", static_cast<int>(items_.size()) + 1);
    items_.push_back(std::move(p));
    return items_.back();
  }
  const std::vector<Product>& items() const { return items_; }

 private:
  std::vector<Product> items_;
};

struct Material {
  const char* grade;
  const char* code;  // the material letter of valve models
  double pricePerKg;
  bool stainless;
};

constexpr Material kWcb{"WCB", "C", 16.0, false};
constexpr Material kCf8{"CF8", "P", 38.0, true};
constexpr Material kCf8m{"CF8M", "R", 52.0, true};
constexpr Material kDuctile{"QT450-10", "Q", 11.0, false};

struct Pressure {
  const char* name;
  const char* code;
  double factor;
};

constexpr Pressure kPn10{"PN10", "10", 0.9};
constexpr Pressure kPn16{"PN16", "16", 1.0};
constexpr Pressure kPn25{"PN25", "25", 1.15};
constexpr Pressure kPn40{"PN40", "40", 1.3};

struct ValveType {
  const char* category;
  const char* name;
  const char* modelCarbon;     // seat letter for carbon steel and iron
  const char* modelStainless;  // and for stainless steel
  const char* standard;
  double weightFactor;
  std::vector<int> sizes;
  std::vector<const Pressure*> pressures;
  std::vector<const Material*> materials;
};

// Rough weight of a flanged valve, enough for plausible costs and stock values.
double valveWeight(int dn, const ValveType& t, const Pressure& p) {
  return round2(20.0 * std::pow(dn / 50.0, 1.65) * t.weightFactor * p.factor);
}

std::string valveModel(const ValveType& t, const Pressure& p, const Material& m) {
  return std::string(m.stainless ? t.modelStainless : t.modelCarbon) + "-" + p.code + m.code;
}

struct GateValve {
  std::size_t product;  // index into the catalogue
  int dn;
  const Pressure* pressure;
  const Material* material;
};

// Everything the BOMs, drawings, quotas, prices and opening stock refer to.
struct Products {
  Catalogue catalogue;
  std::vector<GateValve> gateValves;
  std::map<std::string, std::size_t> bars;                           // "grade|diameter" -> index
  std::map<int, std::size_t> studs, nuts, gaskets, packings, stems;  // by DN or thread size
  std::map<std::string, std::size_t> parts;  // "body|<valve no>" etc. -> index
};

void addValves(Products& out, Lcg& rng) {
  const std::vector<ValveType> types{
      {"0101",
       "闸阀",
       "Z41H",
       "Z41W",
       "GB/T 12234",
       1.0,
       {50, 65, 80, 100, 150, 200, 250, 300},
       {&kPn16, &kPn25, &kPn40},
       {&kWcb, &kCf8, &kCf8m}},
      {"0102",
       "截止阀",
       "J41H",
       "J41W",
       "GB/T 12235",
       1.1,
       {15, 20, 25, 32, 40, 50, 65, 80, 100, 150, 200},
       {&kPn16, &kPn25, &kPn40},
       {&kWcb, &kCf8, &kCf8m}},
      {"0103",
       "球阀",
       "Q41F",
       "Q41F",
       "GB/T 12237",
       0.9,
       {15, 20, 25, 32, 40, 50, 65, 80, 100, 125, 150, 200},
       {&kPn16, &kPn25, &kPn40},
       {&kWcb, &kCf8, &kCf8m}},
      {"0104",
       "止回阀",
       "H44H",
       "H44W",
       "GB/T 12236",
       0.85,
       {50, 65, 80, 100, 125, 150, 200, 250, 300},
       {&kPn16, &kPn25, &kPn40},
       {&kWcb, &kCf8}},
      {"0105",
       "蝶阀",
       "D341X",
       "D341X",
       "GB/T 12238",
       0.45,
       {100, 125, 150, 200, 250, 300},
       {&kPn10, &kPn16},
       {&kDuctile, &kWcb}},
  };
  for (const ValveType& t : types) {
    const bool gate = std::string_view(t.name) == "闸阀";
    for (int dn : t.sizes) {
      // Two variants per size: what a small factory actually keeps on its books.
      const Pressure* firstPressure = nullptr;
      const Material* firstMaterial = nullptr;
      for (int variant = 0; variant < 2; ++variant) {
        const Pressure* p;
        const Material* m;
        do {
          p = t.pressures[rng.next() % t.pressures.size()];
          m = t.materials[rng.next() % t.materials.size()];
        } while (p == firstPressure && m == firstMaterial);
        firstPressure = p;
        firstMaterial = m;
        const double weight = valveWeight(dn, t, *p);
        Product v;
        v.category = t.category;
        v.name = t.name;
        v.size = fmt("DN%d", dn);
        v.pressure = p->name;
        v.material = m->grade;
        v.standard = t.standard;
        v.unit = "台";
        v.made = true;
        v.weight = weight;
        v.cost = round2(weight * m->pricePerKg + 60.0 + dn * 0.9);
        v.low = dn <= 50 ? 10 : dn <= 150 ? 4 : 1;
        v.high = v.low * 8;
        v.model = valveModel(t, *p, *m);
        v.connection = "法兰连接";
        out.catalogue.add(v);
        if (gate) {
          out.gateValves.push_back({out.catalogue.items().size() - 1, dn, p, m});
        }
      }
    }
  }
}

void addFlangesAndFittings(Products& out, Lcg& rng) {
  struct Kind {
    const char* name;
    const char* code;
  };
  static constexpr std::array<Kind, 3> kFlanges{
      {{"带颈对焊法兰", "WN"}, {"板式平焊法兰", "PL"}, {"法兰盖", "BL"}}};
  static constexpr std::array<int, 14> kSizes{15, 20,  25,  32,  40,  50,  65,
                                              80, 100, 125, 150, 200, 250, 300};
  static constexpr std::array<const Pressure*, 3> kFlangePressures{&kPn16, &kPn25, &kPn40};
  struct Grade {
    const char* grade;
    double pricePerKg;
  };
  static constexpr std::array<Grade, 3> kGrades{{{"20", 9.0}, {"304", 30.0}, {"316L", 42.0}}};
  for (const Kind& k : kFlanges) {
    for (int dn : kSizes) {
      const int variants = rng.chance(35) ? 2 : 1;
      std::set<std::string> taken;
      for (int v = 0; v < variants; ++v) {
        const Pressure* p = rng.pick(kFlangePressures);
        const Grade& g = rng.pick(kGrades);
        if (!taken.insert(std::string(p->code) + g.grade).second) continue;
        const double weight = round2(1.1 * std::pow(dn / 50.0, 1.55) * p->factor);
        Product f;
        f.category = "0106";
        f.name = k.name;
        f.size = fmt("DN%d", dn);
        f.pressure = p->name;
        f.material = g.grade;
        f.standard = "HG/T 20592";
        f.unit = "片";
        f.made = true;
        f.weight = weight;
        f.cost = round2(weight * g.pricePerKg + 12.0);
        f.low = 20;
        f.high = 200;
        f.model = fmt("%s%d-%s RF", k.code, dn, p->code);
        f.connection = "突面";
        out.catalogue.add(f);
      }
    }
  }

  struct PipeSize {
    int dn;
    double od;
  };
  static constexpr std::array<PipeSize, 10> kPipeSizes{{{25, 33.7},
                                                        {32, 42.4},
                                                        {40, 48.3},
                                                        {50, 60.3},
                                                        {65, 76.1},
                                                        {80, 88.9},
                                                        {100, 114.3},
                                                        {150, 168.3},
                                                        {200, 219.1},
                                                        {250, 273.0}}};
  static constexpr std::array<Kind, 4> kFittings{
      {{"90°弯头", "90E"}, {"等径三通", "T"}, {"同心异径管", "R"}, {"管帽", "C"}}};
  static constexpr std::array<const char*, 2> kSchedules{"SCH40", "SCH80"};
  for (const Kind& k : kFittings) {
    for (std::size_t i = 0; i < kPipeSizes.size(); ++i) {
      const PipeSize& s = kPipeSizes[i];
      const bool stainless = rng.chance(40);
      const char* schedule = rng.pick(kSchedules);
      const bool reducer = std::string_view(k.code) == "R";
      if (reducer && i == 0) continue;  // no smaller size to reduce to
      const double weight = round2(0.35 * std::pow(s.dn / 25.0, 1.8));
      Product f;
      f.category = "0107";
      f.name = k.name;
      f.size = reducer ? fmt("DN%d×%d", s.dn, kPipeSizes[i - 1].dn) : fmt("DN%d(%.1f)", s.dn, s.od);
      f.pressure = schedule;
      f.material = stainless ? "304" : "20";
      f.standard = "GB/T 12459";
      f.unit = "件";
      f.made = !stainless;  // stainless fittings are bought in
      f.weight = weight;
      f.cost = round2(weight * (stainless ? 34.0 : 11.0) + 5.0);
      f.low = 20;
      f.high = 300;
      f.model = fmt("%s-%d", k.code, s.dn);
      f.connection = "对焊";
      out.catalogue.add(f);
    }
  }
}

std::size_t addBar(Products& out, const char* grade, int diameter, const char* standard,
                   double pricePerKg) {
  const std::string key = std::string(grade) + "|" + std::to_string(diameter);
  if (auto it = out.bars.find(key); it != out.bars.end()) return it->second;
  Product b;
  b.category = "0301";
  b.name = "圆钢";
  b.size = fmt("Φ%d", diameter);
  b.material = grade;
  b.standard = standard;
  b.unit = "kg";
  b.cost = pricePerKg;
  b.low = 200;
  b.high = 3000;
  out.catalogue.add(b);
  out.bars[key] = out.catalogue.items().size() - 1;
  return out.bars[key];
}

// Bar stock for wedges and stems: diameter grows with the valve size.
int stemBarFor(int dn) {
  if (dn <= 65) return 30;
  if (dn <= 100) return 40;
  if (dn <= 150) return 50;
  if (dn <= 200) return 60;
  return 80;
}

int barDiameterFor(int dn) {
  if (dn <= 65) return 40;
  if (dn <= 100) return 60;
  if (dn <= 150) return 80;
  if (dn <= 200) return 100;
  return 120;
}

int studsFor(int dn) {
  return dn <= 65 ? 4 : dn <= 150 ? 8 : 12;
}
int threadFor(int dn) {
  return dn <= 100 ? 16 : dn <= 200 ? 20 : 24;
}

void addRawMaterialsAndAuxiliaries(Products& out) {
  struct BarGrade {
    const char* grade;
    const char* standard;
    double pricePerKg;
    std::array<int, 5> diameters;
  };
  static const std::array<BarGrade, 6> kBarGrades{{
      {"20", "GB/T 699", 4.8, {30, 40, 60, 80, 100}},
      {"45", "GB/T 699", 5.2, {30, 40, 50, 60, 80}},
      {"25", "GB/T 699", 5.0, {40, 60, 80, 100, 120}},
      {"2Cr13", "GB/T 1220", 14.0, {30, 40, 50, 60, 80}},
      {"304", "GB/T 1220", 18.0, {40, 60, 80, 100, 120}},
      {"316L", "GB/T 1220", 28.0, {40, 60, 80, 100, 120}},
  }};
  for (const BarGrade& g : kBarGrades) {
    for (int d : g.diameters) addBar(out, g.grade, d, g.standard, g.pricePerKg);
  }

  static constexpr std::array<std::array<const char*, 2>, 4> kPipes{
      {{"Φ60×4", "20"}, {"Φ89×5", "20"}, {"Φ114×6", "20"}, {"Φ168×7", "304"}}};
  for (const auto& pipe : kPipes) {
    Product p;
    p.category = "0302";
    p.name = "无缝钢管";
    p.size = pipe[0];
    p.material = pipe[1];
    p.standard = std::string_view(pipe[1]) == "304" ? "GB/T 14976" : "GB/T 8163";
    p.unit = "kg";
    p.cost = std::string_view(pipe[1]) == "304" ? 24.0 : 5.6;
    p.low = 100;
    p.high = 2000;
    out.catalogue.add(p);
  }

  for (int thread : {16, 20, 24}) {
    const int length = thread * 5 + 10;  // M16×90, M20×110, M24×130
    Product stud;
    stud.category = "0401";
    stud.name = "双头螺柱";
    stud.size = fmt("M%d×%d", thread, length);
    stud.material = "35CrMo";
    stud.standard = "GB/T 901";
    stud.unit = "件";
    stud.cost = round2(0.12 * thread * length / 10.0);
    stud.low = 200;
    stud.high = 2000;
    out.catalogue.add(stud);
    out.studs[thread] = out.catalogue.items().size() - 1;

    Product nut;
    nut.category = "0401";
    nut.name = "六角螺母";
    nut.size = fmt("M%d", thread);
    nut.material = "35";
    nut.standard = "GB/T 6170";
    nut.unit = "件";
    nut.cost = round2(0.08 * thread);
    nut.low = 400;
    nut.high = 4000;
    out.catalogue.add(nut);
    out.nuts[thread] = out.catalogue.items().size() - 1;
  }

  for (int dn : {50, 65, 80, 100, 150, 200, 250, 300}) {
    Product gasket;
    gasket.category = "0402";
    gasket.name = "缠绕垫片";
    gasket.size = fmt("DN%d", dn);
    gasket.material = "304+柔性石墨";
    gasket.standard = "GB/T 4622.2";
    gasket.unit = "片";
    gasket.cost = round2(6.0 + dn * 0.12);
    gasket.low = 20;
    gasket.high = 200;
    out.catalogue.add(gasket);
    out.gaskets[dn] = out.catalogue.items().size() - 1;

    Product packing;
    packing.category = "0403";
    packing.name = "柔性石墨填料环";
    packing.size = fmt("DN%d阀用", dn);
    packing.material = "柔性石墨";
    packing.standard = "JB/T 6617";
    packing.unit = "套";
    packing.cost = round2(4.0 + dn * 0.06);
    packing.low = 20;
    packing.high = 200;
    out.catalogue.add(packing);
    out.packings[dn] = out.catalogue.items().size() - 1;
  }

  static constexpr std::array<std::array<const char*, 3>, 4> kPaints{{
      {"醇酸磁漆", "银灰", "HG/T 2576"},
      {"醇酸磁漆", "大红", "HG/T 2576"},
      {"环氧富锌底漆", "灰色", "HG/T 3668"},
      {"稀释剂", "X-6", ""},
  }};
  for (const auto& paint : kPaints) {
    Product p;
    p.category = "0404";
    p.name = paint[0];
    p.size = paint[1];
    p.standard = paint[2];
    p.unit = "kg";
    p.cost = std::string_view(paint[0]) == "稀释剂" ? 12.0 : 26.0;
    p.low = 20;
    p.high = 200;
    out.catalogue.add(p);
  }

  static constexpr std::array<std::array<const char*, 3>, 9> kCutters{{
      {"外圆车刀", "25×25", "把"},
      {"内孔车刀", "Φ20×200", "把"},
      {"螺纹车刀", "60°", "把"},
      {"数控车刀片", "CNMG120408", "片"},
      {"数控车刀片", "WNMG080408", "片"},
      {"数控车刀片", "DNMG150608", "片"},
      {"麻花钻", "Φ14", "支"},
      {"麻花钻", "Φ18", "支"},
      {"麻花钻", "Φ22", "支"},
  }};
  for (const auto& cutter : kCutters) {
    Product t;
    t.category = "0501";
    t.name = cutter[0];
    t.size = cutter[1];
    t.material = std::string_view(cutter[2]) == "片" ? "硬质合金" : "高速钢";
    t.unit = cutter[2];
    t.cost = std::string_view(cutter[2]) == "片" ? 28.0 : 45.0;
    t.low = 10;
    t.high = 100;
    t.cutter = true;
    t.brand = "恒锐";
    out.catalogue.add(t);
  }
}

// The parts of each gate valve, made in-house from castings and bar stock.
void addGateValveParts(Products& out) {
  for (const GateValve& g : out.gateValves) {
    // A copy: adding the parts below may move the catalogue's storage.
    const Product valve = out.catalogue.items()[g.product];
    const Material& m = *g.material;
    const double castingPrice = m.stainless ? (m.code[0] == 'R' ? 36.0 : 28.0) : 11.0;
    const char* castingStandard = m.stainless ? "GB/T 12230" : "GB/T 12229";

    auto part = [&](const char* category, const char* name, double share, const char* key) {
      Product p;
      p.category = category;
      p.name = name;
      p.size = valve.size;
      p.pressure = valve.pressure;
      p.material = valve.material;
      p.standard = valve.standard;
      p.unit = "件";
      p.made = true;
      p.weight = round2(valve.weight * share);
      p.cost = round2(p.weight * castingPrice * 1.25 + 30.0);
      p.low = 2;
      p.high = 20;
      p.model = valve.model;
      out.catalogue.add(p);
      out.parts[std::string(key) + "|" + valve.no] = out.catalogue.items().size() - 1;
    };
    auto casting = [&](const char* name, double share, const char* key) {
      Product p;
      p.category = "0303";
      p.name = name;
      p.size = valve.size;
      p.pressure = valve.pressure;
      p.material = valve.material;
      p.standard = castingStandard;
      p.unit = "件";
      p.weight = round2(valve.weight * share * 1.15);
      p.cost = round2(p.weight * castingPrice);
      p.low = 2;
      p.high = 30;
      out.catalogue.add(p);
      out.parts[std::string(key) + "|" + valve.no] = out.catalogue.items().size() - 1;
    };
    part("0201", "阀体", 0.55, "body");
    casting("阀体铸件", 0.55, "bodyCasting");
    part("0202", "阀盖", 0.25, "bonnet");
    casting("阀盖铸件", 0.25, "bonnetCasting");
    part("0204", "闸板", 0.12, "wedge");

    if (out.stems.count(g.dn) == 0) {
      Product stem;
      stem.category = "0203";
      stem.name = "阀杆";
      stem.size = valve.size;
      stem.material = "2Cr13";
      stem.standard = "GB/T 1220";
      stem.unit = "件";
      stem.made = true;
      stem.weight = round2(0.6 * std::pow(g.dn / 50.0, 1.4));
      stem.cost = round2(stem.weight * 14.0 * 1.6 + 25.0);
      stem.low = 5;
      stem.high = 40;
      out.catalogue.add(stem);
      out.stems[g.dn] = out.catalogue.items().size() - 1;
    }
  }
}

void insertProducts(db::Connection& c, const Catalogue& catalogue) {
  for (const Product& p : catalogue.items()) {
    const bool weighed = p.weight > 0;
    insertRow(c, "bas_products",
              {{"productNo", text(p.no)},
               {"productId", text(p.category)},
               {"productName", text(p.name)},
               {"productSize", text(p.size)},
               {"productPre", text(p.pressure)},
               {"productMat", text(p.material)},
               {"productSta", text(p.standard)},
               {"productUnit", text(p.unit)},
               {"costPrice", number(p.cost)},
               {"source", text(p.made ? "自制" : "采购")},
               {"uw", number(p.weight)},
               // Forged and machined items lose material on the way from bar to part.
               {"xlz", number(weighed && p.made ? round2(p.weight * 1.45) : 0.0)},
               {"jkz", number(weighed && p.made ? round2(p.weight * 1.35) : 0.0)},
               {"mpz", number(weighed && p.made ? round2(p.weight * 1.25) : 0.0)},
               {"ccz", number(weighed && p.made ? round2(p.weight * 1.08) : 0.0)},
               {"lowQty", number(p.low)},
               {"highQty", number(p.high)},
               {"isCutter", flag(p.cutter)},
               {"brand", text(p.brand)},
               {"remark", text(p.remark)},
               {"def1", text(p.model)},
               {"def2", text(p.connection)},
               {"def3", text("")},
               {"def4", text("")},
               {"def5", text("")},
               {"def6", text("")}});
  }
}

// ---------------------------------------------------------------------------------------------
// Bills of materials, drawings, quotas, supplier prices, opening stock
// ---------------------------------------------------------------------------------------------

constexpr const char* kEffective = "2024-01-01 00:00:00";

void addBomLine(db::Connection& c, const std::string& parent, const Product& child, int item,
                double qty, const std::string& drawing, bool main) {
  insertRow(c, "bom",
            {{"productNo", text(parent)},
             {"partNo", text(child.no)},
             {"itemNo", integer(item)},
             {"ylQty", number(qty)},
             {"drwNo", text(drawing)},
             {"effectDate", text(kEffective)},
             {"invalidDate", Value{}},
             {"mType", text(main ? "主料" : "辅料")},
             {"stop", flag(false)},
             {"remark", text("")}});
}

std::string drawingNo(const Product& p, const char* suffix) {
  // Assembly and part drawings share the valve model and size, as the drawing office files them.
  std::string no = p.model.empty() ? p.name : p.model;
  return no + "-" + p.size + "-" + suffix;
}

void addDrawing(db::Connection& c, const std::string& no, const Product& p, const char* category,
                const char* remark) {
  insertRow(c, "bas_drawing",
            {{"drwNo", text(no)},
             {"productNo", text(p.no)},
             {"drwIdNo", text(category)},
             {"remark", text(remark)},
             {"ext", text(".dwg")}});
}

void addGateValveStructure(db::Connection& c, const Products& out) {
  const auto& items = out.catalogue.items();
  std::set<std::size_t> stemsDrawn;
  for (const GateValve& g : out.gateValves) {
    const Product& valve = items[g.product];
    const Product& body = items[out.parts.at("body|" + valve.no)];
    const Product& bodyCasting = items[out.parts.at("bodyCasting|" + valve.no)];
    const Product& bonnet = items[out.parts.at("bonnet|" + valve.no)];
    const Product& bonnetCasting = items[out.parts.at("bonnetCasting|" + valve.no)];
    const Product& wedge = items[out.parts.at("wedge|" + valve.no)];
    const Product& stem = items[out.stems.at(g.dn)];
    const int thread = threadFor(g.dn);
    const Product& stud = items[out.studs.at(thread)];
    const Product& nut = items[out.nuts.at(thread)];
    const Product& gasket = items[out.gaskets.at(g.dn)];
    const Product& packing = items[out.packings.at(g.dn)];

    const std::string assembly = drawingNo(valve, "00");
    const std::string bodyDrawing = drawingNo(valve, "01");
    const std::string bonnetDrawing = drawingNo(valve, "02");
    const std::string wedgeDrawing = drawingNo(valve, "03");
    const std::string stemDrawing = "阀杆-" + stem.size + "-04";
    addDrawing(c, assembly, valve, "01", "总装图");
    addDrawing(c, bodyDrawing, body, "02", "");
    addDrawing(c, bonnetDrawing, bonnet, "02", "");
    addDrawing(c, wedgeDrawing, wedge, "02", "");
    if (stemsDrawn.insert(out.stems.at(g.dn)).second) {
      addDrawing(c, stemDrawing, stem, "02", "各压力等级通用");
    }

    addBomLine(c, valve.no, body, 1, 1, bodyDrawing, true);
    addBomLine(c, valve.no, bonnet, 2, 1, bonnetDrawing, true);
    addBomLine(c, valve.no, wedge, 3, 1, wedgeDrawing, true);
    addBomLine(c, valve.no, stem, 4, 1, stemDrawing, true);
    addBomLine(c, valve.no, stud, 5, studsFor(g.dn), "", false);
    addBomLine(c, valve.no, nut, 6, 2 * studsFor(g.dn), "", false);
    addBomLine(c, valve.no, gasket, 7, 1, "", false);
    addBomLine(c, valve.no, packing, 8, 1, "", false);

    addBomLine(c, body.no, bodyCasting, 1, 1, "", true);
    addBomLine(c, bonnet.no, bonnetCasting, 1, 1, "", true);
    // Wedges of stainless valves are cut from 304 bar, the others from 25 steel.
    const Material& m = *g.material;
    const Product& wedgeBar = items[out.bars.at(std::string(m.stainless ? "304" : "25") + "|" +
                                                std::to_string(barDiameterFor(g.dn)))];
    addBomLine(c, wedge.no, wedgeBar, 1, round2(wedge.weight * 1.45), "", true);
  }
  for (const auto& [dn, index] : out.stems) {
    const Product& stem = items[index];
    const Product& bar = items[out.bars.at("2Cr13|" + std::to_string(stemBarFor(dn)))];
    addBomLine(c, stem.no, bar, 1, round2(stem.weight * 1.45), "", true);
  }
}

// Piece rates (yuan per piece) and machining minutes grow with the size of the item.
void addQuotas(db::Connection& c, const Catalogue& catalogue) {
  auto quota = [&](const Product& p, const char* proc, double rate, int minutes) {
    insertRow(c, "bas_quote",
              {{"productNo", text(p.no)},
               {"procNo", text(proc)},
               {"quote", number(round2(rate))},
               {"macTime", integer(minutes)},
               {"remark", text("")}});
  };
  for (const Product& p : catalogue.items()) {
    if (!p.made || p.weight <= 0) continue;
    const double s = std::max(1.0, std::sqrt(p.weight));
    const std::string_view cat = p.category;
    if (cat.substr(0, 2) == "01" && cat != "0106" && cat != "0107") {  // valves
      quota(p, "GX12", 4.0 * s, static_cast<int>(15 * s));
      quota(p, "GX13", 2.0 * s, static_cast<int>(8 * s));
      quota(p, "GX14", 1.5 * s, static_cast<int>(6 * s));
      quota(p, "GX15", 0.8 * s, static_cast<int>(3 * s));
    } else if (cat == "0106") {  // flanges
      quota(p, "GX01", 0.6 * s, static_cast<int>(3 * s));
      quota(p, "GX02", 1.8 * s, static_cast<int>(6 * s));
      quota(p, "GX04", 1.5 * s, static_cast<int>(8 * s));
      quota(p, "GX05", 1.2 * s, static_cast<int>(6 * s));
      if (p.name != "法兰盖" || p.weight > 2) quota(p, "GX06", 0.8 * s, static_cast<int>(4 * s));
    } else if (cat == "0107") {  // fittings
      quota(p, "GX01", 0.5 * s, static_cast<int>(3 * s));
      quota(p, "GX04", 1.0 * s, static_cast<int>(5 * s));
    } else if (cat == "0201" || cat == "0202") {  // bodies and bonnets from castings
      quota(p, "GX04", 2.5 * s, static_cast<int>(12 * s));
      quota(p, "GX05", 2.0 * s, static_cast<int>(10 * s));
      quota(p, "GX06", 1.0 * s, static_cast<int>(5 * s));
      if (cat == "0201") quota(p, "GX09", 3.0 * s, static_cast<int>(15 * s));
    } else if (cat == "0203") {  // stems
      quota(p, "GX01", 0.5 * s, static_cast<int>(3 * s));
      quota(p, "GX11", 1.5 * s, static_cast<int>(5 * s));
      quota(p, "GX04", 1.5 * s, static_cast<int>(8 * s));
      quota(p, "GX05", 2.0 * s, static_cast<int>(10 * s));
    } else if (cat == "0204") {  // wedges
      quota(p, "GX01", 0.5 * s, static_cast<int>(3 * s));
      quota(p, "GX02", 2.0 * s, static_cast<int>(6 * s));
      quota(p, "GX04", 1.5 * s, static_cast<int>(8 * s));
      quota(p, "GX10", 2.5 * s, static_cast<int>(12 * s));
    }
  }
}

void addSupplierPrices(db::Connection& c, const Catalogue& catalogue, Lcg& rng) {
  auto groupOf = [](const Product& p) {
    const std::string_view cat = p.category;
    if (cat == "0301") return kSteel;
    if (cat == "0302" || cat == "0107") return kPipe;
    if (cat == "0303") return kCasting;
    if (cat == "0401") return kFastener;
    if (cat == "0402" || cat == "0403") return kSeal;
    if (cat == "0404") return kPaint;
    return kCutter;
  };
  for (const Product& p : catalogue.items()) {
    if (p.made) continue;
    const SupplierGroup group = groupOf(p);
    int offered = 0;
    for (std::size_t i = 0; i < kSuppliers.size(); ++i) {
      if (kSuppliers[i].group != group) continue;
      // Most items are quoted by one or two of the suppliers of their kind.
      if (offered > 0 && !rng.chance(45)) continue;
      insertRow(c, "bas_supPrice",
                {{"productNo", text(p.no)},
                 {"supNo", text(fmt("GYS%02d", static_cast<int>(i) + 1))},
                 {"uPrice", number(round2(p.cost * rng.between(92, 110) / 100.0))}});
      ++offered;
    }
  }
}

void addOpeningStock(db::Connection& c, const Catalogue& catalogue, Lcg& rng) {
  auto warehouse = [](const Product& p) -> const Department* {
    const char* no = nullptr;
    switch (p.category[1]) {
      case '1':
        no = "23";
        break;  // finished goods
      case '2':
        no = "22";
        break;  // parts
      case '3':
        no = "21";
        break;  // raw material
      default:
        no = "24";
        break;  // auxiliaries and cutters
    }
    for (const Department& d : kDepartments) {
      if (std::string_view(d.no) == no) return &d;
    }
    return nullptr;
  };
  for (const Product& p : catalogue.items()) {
    // Raw material and auxiliaries are always on hand, about a third of the rest.
    const bool always = p.category[1] == '3' || p.category[1] == '4' || p.category[1] == '5';
    if (!always && !rng.chance(30)) continue;
    const Department* wh = warehouse(p);
    const double qty =
        p.unit == "kg"
            ? rng.between(20, 300) * 10.0
            : static_cast<double>(rng.between(static_cast<int>(p.low), static_cast<int>(p.high)));
    insertRow(c, "wh_stock",
              {{"whNo", text(wh->no)},
               {"whName", text(wh->name)},
               {"productNo", text(p.no)},
               {"initQty", number(qty)},
               {"initPrice", number(p.cost)},
               {"Qty", number(qty)},
               {"uPrice", number(p.cost)},
               {"remark", text("期初盘点")}});
  }
}

// ---------------------------------------------------------------------------------------------
// Documents: two sales orders with their production tasks, purchases, material issues, warehouse
// receipts and issues, and a delivery
// ---------------------------------------------------------------------------------------------

// The demo's calendar: documents lie in the month the account set is made and the two before it,
// so that every list's default period, this month, shows some. Numbers follow the bas_form rules
// of their month (head-yy-mm-sequence), so the screens' next number follows on from them.
class Calendar {
 public:
  explicit Calendar(const std::tm& now) : now_(now) {}

  // "YYYY-MM-DD hh:mm:00" on a day of the month `back` months before this one; a day past the
  // month's end is its last day. In this month nothing lies after now.
  std::string at(int back, int day, int hour = 0, int minute = 0) const {
    const std::string t = ahead(back, day, hour, minute);
    return std::min(t, fmt("%04d-%02d-%02d %02d:%02d:00", now_.tm_year + 1900, now_.tm_mon + 1,
                           now_.tm_mday, now_.tm_hour, now_.tm_min));
  }
  // The same without the limit of now: due and delivery dates may lie ahead.
  std::string ahead(int back, int day, int hour = 0, int minute = 0) const {
    const auto [y, m] = month(back);
    return fmt("%04d-%02d-%02d %02d:%02d:00", y, m, std::min(day, daysIn(y, m)), hour, minute);
  }
  // "26-10": the date part of document and item numbers.
  std::string yymm(int back) const {
    const auto [y, m] = month(back);
    return fmt("%02d-%02d", y % 100, m);
  }
  // "2610": the date part of batch numbers.
  std::string compact(int back) const {
    const auto [y, m] = month(back);
    return fmt("%02d%02d", y % 100, m);
  }

 private:
  std::pair<int, int> month(int back) const {
    const int index = (now_.tm_year + 1900) * 12 + now_.tm_mon - back;
    return {index / 12, index % 12 + 1};
  }
  static int daysIn(int y, int m) {
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[static_cast<std::size_t>(m - 1)];
  }

  std::tm now_;
};

const Product& findProduct(const Catalogue& catalogue, std::string_view name,
                           std::string_view size) {
  for (const Product& p : catalogue.items()) {
    if (p.name == name && p.size == size) return p;
  }
  throw db::DbError("演示物料缺失：" + std::string(name) + " " + std::string(size));
}

// Document lines keep copies of their product's description, as the line screens fill them in
// when a product number is typed. des comes from the product view, the one place that builds it.
std::vector<Field> descriptionCopies(db::Connection& c, const Product& p) {
  const auto des = c.query("select des from view_bas_prd_des where productNo = :p", {{"p", p.no}});
  return {{"des", des.rows.empty() ? Value{} : des.rows[0][0]},
          {"pName", text(p.name)},
          {"pSize", text(p.size)},
          {"pPre", text(p.pressure)},
          {"pMat", text(p.material)},
          {"pSta", text(p.standard)},
          {"pUnit", text(p.unit)},
          {"def1", text(p.model)},
          {"def2", text(p.connection)},
          {"def3", text("")},
          {"def4", text("")},
          {"def5", text("")},
          {"def6", text("")}};
}

std::vector<Field> operator+(std::vector<Field> a, const std::vector<Field>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The warehouse's first keeper, if it has staff.
Value keeperOf(db::Connection& c, const char* whNo) {
  const auto rs =
      c.query("select min(staffName) from bas_staff where depNo = :d", {{"d", std::string(whNo)}});
  return rs.rows.empty() ? Value{} : rs.rows[0][0];
}

Value optionalText(const std::string& s) {
  return s.empty() ? Value{} : text(s);
}

// Who wrote a document and when, and when it was audited (never, when empty).
std::vector<Field> stamps(const std::string& written, const std::string& audited) {
  return {{"userName", text("admin")},
          {"docDate", text(written)},
          {"audited", flag(!audited.empty())},
          {"audName", audited.empty() ? Value{} : text("admin")},
          {"audDate", optionalText(audited)}};
}

struct WarehouseDocument {
  bool receipt;  // wh_In, else wh_Out
  std::string keyNo;
  const char* docType;
  const char* whNo;
  std::string date;     // of the receipt or issue
  std::string written;  // docDate
  std::string audited;  // empty while not audited
  const char* remarkM;
};

struct WarehouseLine {
  const Product& product;
  double qty;
  std::string taskNo;
  const char* remark;
};

void addWarehouseDocument(db::Connection& c, const WarehouseDocument& d,
                          const std::vector<WarehouseLine>& lines) {
  insertRow(c, d.receipt ? "wh_In" : "wh_Out",
            std::vector<Field>{{"keyNo", text(d.keyNo)},
                               {"whNo", text(d.whNo)},
                               {"docType", text(d.docType)},
                               {d.receipt ? "inDate" : "outDate", text(d.date)},
                               {"keeper", keeperOf(c, d.whNo)},
                               {"remarkM", text(d.remarkM)}} +
                stamps(d.written, d.audited));
  std::int64_t item = 0;
  for (const WarehouseLine& l : lines) {
    insertRow(c, d.receipt ? "wh_in_det" : "wh_out_det",
              std::vector<Field>{{"keyNo", text(d.keyNo)},
                                 {"itemNo", integer(++item)},
                                 {"taskNo", text(l.taskNo)},
                                 {"productNo", text(l.product.no)},
                                 {"qty", number(l.qty)},
                                 {"uPrice", number(l.product.cost)},
                                 {"remark", text(l.remark)}} +
                  descriptionCopies(c, l.product));
  }
}

struct SalesItem {
  std::string gsNo;
  const Product& product;
  double qty;
  double price;
};

void addFlowRecord(db::Connection& c, const std::string& taskNo, const char* staffNo,
                   const std::string& devNo, double good, double byWork, double byMaterial,
                   double rework, const std::string& date) {
  insertRow(c, "bus_flow",
            {{"taskNo", text(taskNo)},
             {"staffNo", text(staffNo)},
             {"devNo", text(devNo)},
             {"gqty", number(good)},
             {"gfqty", number(byWork)},
             {"lfqty", number(byMaterial)},
             {"fxqty", number(rework)},
             {"inspName", text("admin")},
             {"inspDate", text(date)}});
}

void addFlowReceipt(db::Connection& c, const std::string& taskNo, double qty, const char* fromDep,
                    const char* toDep, const std::string& date) {
  insertRow(c, "bus_flow_rec",
            {{"taskNo", text(taskNo)},
             {"recQty", number(qty)},
             {"sendDep", text(fromDep)},
             {"recDep", text(toDep)},
             {"recDesc", text("完好")},
             {"recDate", text(date)}});
}

void addSalesOrder(db::Connection& c, const std::string& keyNo, const char* custNo,
                   const std::string& due, const std::string& purNo, const std::string& written,
                   const std::string& audited, const std::vector<SalesItem>& items) {
  insertRow(c, "bus_SO",
            std::vector<Field>{{"keyNo", text(keyNo)},
                               {"custNo", text(custNo)},
                               {"dlvDate", text(due)},
                               {"marking", text("")},
                               {"purNo", text(purNo)},
                               {"remarkM", text("")},
                               {"stock", flag(false)},
                               {"dlved", flag(false)}} +
                stamps(written, audited));
  std::int64_t item = 0;
  for (const SalesItem& i : items) {
    insertRow(c, "bus_so_det",
              {{"gsNo", text(i.gsNo)},
               {"keyNo", text(keyNo)},
               {"itemNo", integer(++item)},
               {"productNo", text(i.product.no)},
               {"qty", number(i.qty)},
               {"uprice", number(i.price)},
               {"remark", text("")}});
  }
}

struct TaskLine {
  const Product& product;
  const char* procNo;
  const char* depNo;
  double qty;
  std::string due;
};

// A production task for one sales item; its lines are numbered under the item.
void addTask(db::Connection& c, const std::string& keyNo, const std::string& gsNo,
             const std::string& written, const std::string& audited,
             const std::vector<TaskLine>& lines) {
  insertRow(c, "bus_task",
            std::vector<Field>{{"keyNo", text(keyNo)},
                               {"gsNo", text(gsNo)},
                               {"remarkM", text("")},
                               {"pause", flag(false)},
                               {"purchase", flag(false)}} +
                stamps(written, audited));
  int item = 0;
  for (const TaskLine& t : lines) {
    ++item;
    insertRow(c, "bus_task_det",
              std::vector<Field>{{"taskNo", text(gsNo + fmt("-%02d", item))},
                                 {"keyNo", text(keyNo)},
                                 {"itemNo", integer(item)},
                                 {"taskIdNo", integer(1)},
                                 {"gsNo", text(gsNo)},
                                 {"productNo", text(t.product.no)},
                                 {"procNo", text(t.procNo)},
                                 {"depNo", text(t.depNo)},
                                 {"qty", number(t.qty)},
                                 {"pDate", text(t.due)},
                                 {"remark", text("")},
                                 {"ylgg", text("")},
                                 {"printCnt", integer(0)}} +
                  descriptionCopies(c, t.product));
  }
}

// The first supplier that quotes the product, with its price (the product's cost when it has
// none in that supplier's list).
std::pair<std::string, double> quoteFor(db::Connection& c, const Product& p,
                                        const std::string& supNo = {}) {
  const auto rs = c.query(
      "select supNo, uPrice from bas_supPrice where productNo = :p and (:s = '' or supNo = :s) "
      "order by supNo limit 1",
      {{"p", p.no}, {"s", supNo}});
  if (rs.rows.empty()) return {supNo, p.cost};
  const auto* price = std::get_if<double>(&rs.rows[0][1]);
  return {protocol::toDisplayText(rs.rows[0][0]), price ? *price : p.cost};
}

struct Batch {
  std::string psNo;
  const Product& product;
  double qty;
  double price;
};

// A purchase order of one supplier, one batch a line.
void addPurchaseOrder(db::Connection& c, const std::string& keyNo, const std::string& supNo,
                      const std::string& due, const std::string& written,
                      const std::string& audited, const std::vector<Batch>& batches) {
  insertRow(c, "bus_PO",
            std::vector<Field>{{"keyNo", text(keyNo)},
                               {"supNo", text(supNo)},
                               {"purDate", text(due)},
                               {"remarkM", text("")},
                               {"finished", flag(false)}} +
                stamps(written, audited));
  std::int64_t item = 0;
  for (const Batch& b : batches) {
    insertRow(c, "bus_po_det",
              std::vector<Field>{{"keyNo", text(keyNo)},
                                 {"POItemNo", integer(++item)},
                                 {"psNo", text(b.psNo)},
                                 {"productNo", text(b.product.no)},
                                 {"Qty", number(b.qty)},
                                 {"uPrice", number(b.price)},
                                 {"remark", text("")},
                                 {"done", flag(false)}} +
                  descriptionCopies(c, b.product));
  }
}

// A purchase receipt of batches (at their order's price) into a warehouse.
void addPurchaseReceipt(db::Connection& c, const std::string& keyNo, const std::string& supNo,
                        const char* whNo, const std::string& date, const std::string& audited,
                        const std::vector<Batch>& received) {
  insertRow(c, "bus_PI",
            std::vector<Field>{{"keyNO", text(keyNo)},
                               {"supNo", text(supNo)},
                               {"PIDate", text(date)},
                               {"whNo", text(whNo)},
                               {"remarkM", text("")}} +
                stamps(date, audited));
  std::int64_t item = 0;
  for (const Batch& b : received) {
    insertRow(c, "bus_pi_det",
              std::vector<Field>{{"keyNo", text(keyNo)},
                                 {"PIItemNo", integer(++item)},
                                 {"PSNo", text(b.psNo)},
                                 {"productNo", text(b.product.no)},
                                 {"qty", number(b.qty)},
                                 {"uprice", number(b.price)},
                                 {"remark", text("")}} +
                  descriptionCopies(c, b.product));
  }
}

struct MaterialLine {
  const Batch& batch;
  double qty;
  std::string taskNo;
  const Product& made;  // the task line's product
  double pieces;
};

// A material issue: material of purchased batches to task lines, with the task's product copied.
void addMaterialIssue(db::Connection& c, const std::string& keyNo, const char* whNo,
                      const std::string& date, const char* remarkM,
                      const std::vector<MaterialLine>& lines) {
  insertRow(c, "wh_mat",
            std::vector<Field>{{"keyNo", text(keyNo)},
                               {"whNo", text(whNo)},
                               {"moDate", text(date)},
                               {"remarkM", text(remarkM)}} +
                stamps(date, ""));
  std::int64_t item = 0;
  for (const MaterialLine& l : lines) {
    const auto des = c.query("select des from view_bas_prd_des where productNo = :p",
                             {{"p", l.batch.product.no}});
    const double perPiece = round2(l.qty / l.pieces);
    insertRow(c, "wh_mat_det",
              std::vector<Field>{{"keyNo", text(keyNo)},
                                 {"itemNo", integer(++item)},
                                 {"psNo", text(l.batch.psNo)},
                                 {"productNo", text(l.batch.product.no)},
                                 {"matDes", des.rows.empty() ? Value{} : des.rows[0][0]},
                                 {"matUnit", text(l.batch.product.unit)},
                                 {"qty", number(l.qty)},
                                 {"uPrice", number(l.batch.price)},
                                 {"taskNo", text(l.taskNo)},
                                 {"pQty", number(l.pieces)},
                                 {"uwReal", number(perPiece)},
                                 {"uwPlan", number(perPiece)},
                                 {"remark", text("")}} +
                  descriptionCopies(c, l.made));
  }
}

// An incoming inspection of a purchase batch with its measured values, one line a sample.
void addInspection(db::Connection& c, const std::string& keyNo, const Batch& b, const char* method,
                   double passed, const std::string& heatNo, const std::string& written,
                   const std::vector<std::vector<const char*>>& samples) {
  const auto des =
      c.query("select des from view_bas_prd_des where productNo = :p", {{"p", b.product.no}});
  insertRow(c, "check_m",
            {{"keyNo", text(keyNo)},
             {"editName", text("admin")},
             {"editDate", text(written)},
             {"audited", flag(false)},
             {"docNo", text("")},
             {"checkId", text(method)},
             {"posch", text(b.psNo)},
             {"qty", number(b.qty)},
             {"gqty", number(passed)},
             {"lfqty", number(b.qty - passed)},
             {"dyqty", number(0)},
             {"des", des.rows.empty() ? Value{} : des.rows[0][0]},
             {"heatNo", text(heatNo)}});
  std::int64_t row = 0;
  for (const auto& values : samples) {
    // The field names outlive the row's fields, which only view them.
    std::vector<std::string> names;
    names.reserve(values.size());
    std::vector<Field> fields{{"keyNo", text(keyNo)}, {"rowNo", integer(++row)}};
    for (std::size_t i = 0; i < values.size(); ++i) {
      names.push_back("item" + std::to_string(i + 1));
      fields.push_back({names.back(), text(values[i])});
    }
    insertRow(c, "check_d", fields);
  }
}

// A delivery of sales items from a warehouse, at the order's price.
void addDelivery(db::Connection& c, const std::string& keyNo, const char* custNo, const char* whNo,
                 const std::string& date, const std::vector<SalesItem>& items) {
  insertRow(c, "bus_SD",
            std::vector<Field>{{"keyNo", text(keyNo)},
                               {"custNo", text(custNo)},
                               {"whNo", text(whNo)},
                               {"dDate", text(date)},
                               {"remarkM", text("")}} +
                stamps(date, ""));
  std::int64_t item = 0;
  for (const SalesItem& i : items) {
    insertRow(c, "bus_sd_det",
              std::vector<Field>{{"keyNo", text(keyNo)},
                                 {"SDItemNo", integer(++item)},
                                 {"gsNo", text(i.gsNo)},
                                 {"productNo", text(i.product.no)},
                                 {"qty", number(i.qty)},
                                 {"uprice", number(i.price)},
                                 {"caseNo", text("")},
                                 {"remark", text("")}} +
                  descriptionCopies(c, i.product));
  }
}

// Two months ago an order for ten DN100 gate valves, its production task (assembly and the
// bodies) and the castings bought for it; last month the bodies' castings and the wedges' bar
// issued and the first valves finished together with other finished goods; this month the
// bonnets' castings issued, the fasteners of the assembly bought and issued, the other valves
// finished, six delivered, and a second order with its task.
void addDocuments(db::Connection& c, const Products& products, const Calendar& cal) {
  const auto& items = products.catalogue.items();
  const auto gate = std::find_if(products.gateValves.begin(), products.gateValves.end(),
                                 [](const GateValve& g) { return g.dn == 100; });
  if (gate == products.gateValves.end()) throw db::DbError("演示物料缺失：DN100 闸阀");
  const Product& valve = items[gate->product];
  const Product& body = items[products.parts.at("body|" + valve.no)];
  const Product& bodyCasting = items[products.parts.at("bodyCasting|" + valve.no)];
  const Product& bonnetCasting = items[products.parts.at("bonnetCasting|" + valve.no)];
  const Product& wedgeBar =
      items[products.bars.at(std::string(gate->material->stainless ? "304" : "25") + "|" +
                             std::to_string(barDiameterFor(gate->dn)))];
  const Product& stud = items[products.studs.at(threadFor(gate->dn))];
  const Product& nut = items[products.nuts.at(threadFor(gate->dn))];
  const Product& gasket = items[products.gaskets.at(gate->dn)];
  const Product& flange = findProduct(products.catalogue, "带颈对焊法兰", "DN100");
  const Product& globeValve = findProduct(products.catalogue, "截止阀", "DN50");

  // Two months ago.
  const std::string item = cal.yymm(2) + "-0001";
  const std::string assemblyTask = item + "-01";
  const std::string bodyTask = item + "-02";
  const double ordered = 10;
  const double price = round2(valve.cost * 1.35);
  addSalesOrder(c, "XS-" + cal.yymm(2) + "-0001", "KH002", cal.ahead(0, 25),
                "HT-" + cal.compact(2) + "-018", cal.at(2, 2, 10, 15), cal.at(2, 2, 16, 40),
                {{item, valve, ordered, price}});
  addTask(c, "RW-" + cal.yymm(2) + "-0001", item, cal.at(2, 3, 9, 0), cal.at(2, 3, 11, 30),
          {{valve, "GX12", "15", ordered, cal.ahead(0, 15)},
           {body, "GX04", "13", ordered, cal.ahead(1, 30)}});
  // The body's machining and the assembly as the shop floor reported them on the flow card.
  addFlowRecord(c, bodyTask, "Y005", kDevices[4].no, 6, 1, 0, 1, cal.at(1, 8));
  addFlowRecord(c, bodyTask, "Y006", kDevices[4].no, 3, 0, 0, 0, cal.at(1, 12));
  addFlowReceipt(c, bodyTask, 10, "原材料仓", "机加工车间", cal.at(1, 6));
  addFlowRecord(c, assemblyTask, "Y012", "", 6, 0, 0, 0, cal.at(1, 25));
  addFlowReceipt(c, assemblyTask, 9, "机加工车间", "装配车间", cal.at(1, 14));
  addFlowReceipt(c, assemblyTask, 6, "装配车间", "成品仓", cal.at(1, 26));
  const auto [foundry, castingPrice] = quoteFor(c, bodyCasting);
  const Batch bodies{"PO" + cal.compact(2) + "0001", bodyCasting, 20, castingPrice};
  const Batch bonnets{"PO" + cal.compact(2) + "0002", bonnetCasting, 20,
                      quoteFor(c, bonnetCasting, foundry).second};
  addPurchaseOrder(c, "CG-" + cal.yymm(2) + "-0001", foundry, cal.ahead(2, 15), cal.at(2, 5, 9, 30),
                   cal.at(2, 5, 15, 0), {bodies, bonnets});
  addPurchaseReceipt(c, "JH-" + cal.yymm(2) + "-0001", foundry, "21", cal.at(2, 15, 14, 20),
                     cal.at(2, 16, 9, 5), {bodies, bonnets});
  addInspection(c, "JY-" + cal.yymm(2) + "-0001", bodies, "理化检验", 19,
                "L" + cal.compact(2) + "-07", cal.at(2, 16, 10, 30),
                {{"C 0.05", "Cr 18.6", "Ni 9.1", "σb 520", "HB 150"},
                 {"C 0.06", "Cr 18.9", "Ni 9.3", "σb 535", "HB 156"}});

  // Last month.
  addMaterialIssue(c, "LL-" + cal.yymm(1) + "-0001", "21", cal.at(1, 5, 8, 30), "阀体毛坯",
                   {{bodies, 10, bodyTask, body, 10}});
  addWarehouseDocument(c,
                       {false, "CK-" + cal.yymm(1) + "-0001", "生产领用", "21", cal.at(1, 5),
                        cal.at(1, 5, 8, 40), "", ""},
                       {{wedgeBar, 60, "", "闸板下料"}});
  addWarehouseDocument(
      c,
      {true, "RK-" + cal.yymm(1) + "-0001", "生产入库", "23", cal.at(1, 26), cal.at(1, 26, 16, 10),
       "", ""},
      {{valve, 6, assemblyTask, "首批完工"}, {flange, 20, "", ""}, {globeValve, 8, "", ""}});

  // This month.
  addMaterialIssue(c, "LL-" + cal.yymm(0) + "-0001", "21", cal.at(0, 1, 8, 30), "阀盖毛坯",
                   {{bonnets, 10, assemblyTask, valve, 10}});
  const auto [fasteners, studPrice] = quoteFor(c, stud);
  const Batch studs{"PO" + cal.compact(0) + "0001", stud, 80, studPrice};
  const Batch nuts{"PO" + cal.compact(0) + "0002", nut, 160, quoteFor(c, nut, fasteners).second};
  addPurchaseOrder(c, "CG-" + cal.yymm(0) + "-0001", fasteners, cal.ahead(0, 20),
                   cal.at(0, 2, 9, 0), "", {studs, nuts});
  addPurchaseReceipt(c, "JH-" + cal.yymm(0) + "-0001", fasteners, "24", cal.at(0, 3, 10, 0), "",
                     {studs});
  addInspection(c, "JY-" + cal.yymm(0) + "-0001", studs, "抽检", 80, "", cal.at(0, 3, 11, 0),
                {{"M16 通规过", "止规止", "HRC 28"}, {"M16 通规过", "止规止", "HRC 30"}});
  addWarehouseDocument(c,
                       {false, "CK-" + cal.yymm(0) + "-0001", "生产领用", "24", cal.at(0, 3),
                        cal.at(0, 3, 15, 30), "", "装配用"},
                       {{gasket, ordered, assemblyTask, ""}, {stud, 80, assemblyTask, ""}});
  addWarehouseDocument(c,
                       {true, "RK-" + cal.yymm(0) + "-0001", "生产入库", "23", cal.at(0, 4),
                        cal.at(0, 4, 16, 0), "", ""},
                       {{valve, 4, assemblyTask, "第二批完工"}});
  addDelivery(c, "FH-" + cal.yymm(0) + "-0001", "KH002", "23", cal.at(0, 5, 10, 0),
              {{item, valve, 6, price}});
  // The delivered valves' certificate: their bodies' castings were inspected with a heat number.
  insertRow(c, "check_mat_m",
            {{"keyNo", text("ZS-" + cal.yymm(0) + "-0001")},
             {"custNo", text("KH002")},
             {"custId", text("HT-" + cal.compact(2) + "-018")},
             {"remark", text("")},
             {"editName", text("admin")},
             {"editDate", text(cal.at(0, 5, 11, 0))},
             {"audited", flag(false)}});
  insertRow(c, "check_mat_d",
            {{"keyNo", text("ZS-" + cal.yymm(0) + "-0001")},
             {"sch", text(item)},
             {"cName", text(valve.name)},
             {"cSize", text(valve.pressure + " " + valve.size)},
             {"cMat", text(valve.material)},
             {"cSta", text(valve.standard)},
             {"Qty", number(6)},
             {"posch", text(bodies.psNo)},
             {"rowNo", integer(1)},
             {"batchNo", text("L" + cal.compact(2) + "-07")}});
  // Last month: an order for stock, not yet in production.
  addSalesOrder(c, "XS-" + cal.yymm(1) + "-0001", "KH003", cal.ahead(0, 20), "",
                cal.at(1, 18, 11, 0), cal.at(1, 18, 15, 0),
                {{cal.yymm(1) + "-0001", valve, 4, price},
                 {cal.yymm(1) + "-0002", flange, 12, round2(flange.cost * 1.3)}});
  const std::string second = cal.yymm(0) + "-0001";
  addSalesOrder(c, "XS-" + cal.yymm(0) + "-0001", "KH005", cal.ahead(-1, 10), "",
                cal.at(0, 5, 14, 0), "", {{second, globeValve, 5, round2(globeValve.cost * 1.3)}});
  addTask(c, "RW-" + cal.yymm(0) + "-0001", second, cal.at(0, 6, 9, 0), "",
          {{globeValve, "GX12", "15", 5, cal.ahead(0, 28)}});
  addProcessCards(c, {cal.yymm(0), second + "-01", 5, globeValve.material, cal.at(0, 6, 10, 0)});
}

}  // namespace

void addDemoData(db::Connection& c) {
  const std::time_t t = std::time(nullptr);
  std::tm now{};
  localtime_r(&t, &now);
  addDemoData(c, now);
}

void addDemoData(db::Connection& c, const std::tm& now) {
  Lcg rng(20261205);
  addDepartments(c);
  addStaff(c, rng);
  addDevicesAndProcesses(c);
  addPartners(c, rng);
  addReferenceLists(c);
  addCategories(c);

  Products products;
  addValves(products, rng);
  addFlangesAndFittings(products, rng);
  addRawMaterialsAndAuxiliaries(products);
  addGateValveParts(products);
  insertProducts(c, products.catalogue);

  addGateValveStructure(c, products);
  addQuotas(c, products.catalogue);
  addSupplierPrices(c, products.catalogue, rng);
  addOpeningStock(c, products.catalogue, rng);
  addDocuments(c, products, Calendar(now));
}

}  // namespace qk::server
