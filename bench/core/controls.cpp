#include "bench/core/controls.h"

namespace norvane::bench {

namespace {

std::vector<int> Range(std::initializer_list<int> ids, int from, int to) {
    std::vector<int> all(ids);
    for (int id = from; id <= to; ++id) all.push_back(id);
    return all;
}

}  // namespace

const std::vector<int>& GroupControls(Group group) {
    static const std::vector<int> gateway{1063, 1348, 1087, 1035, 1067, 1349, 1099, 1019, 1078};
    static const std::vector<int> motion =
        Range({1033, 1034, 1037, 1038, 1041, 1042, 1139, 1140}, 1045, 1056);
    static const std::vector<int> global{1003, 1036, 1006, 1062, 1065, 1066, 1068, 1070, 1071,
                                         1072, 1073, 1074, 1026, 1076, 1005, 1393, 1027, 1141,
                                         1142, 1143, 1144, 1145, 1370, 1371, 1372, 1373};
    static const std::vector<int> messages{1004, 1059, 1077, 1060, 1057};
    static const std::vector<int> perNode{
        1012, 1013, 1508, 1088, 1081, 1031, 1090, 1093, 1096, 1091, 1016, 1017, 1451, 1103, 1080, 1020,
        1021, 1104, 1022, 1023, 1105, 1024, 1025, 1129, 1367, 1069, 1130, 1368, 1094, 1018, 1011, 1032,
        1075, 1089, 1097, 1100, 1098, 1095, 1039, 1397, 1456, 1352, 1040, 1043, 1064, 1079, 1033, 1034,
        1045, 1047, 1048, 1101, 1102, 1114, 1115, 1046, 1061, 1131, 1132, 1133, 1134, 1135, 1136};
    static const std::vector<int> devices{1092, 1459, 1523, 1534, 1537};
    switch (group) {
        case Group::GatewaySettings:
            return gateway;
        case Group::MotionParameters:
            return motion;
        case Group::GlobalPanel:
            return global;
        case Group::MessageControls:
            return messages;
        case Group::PerNodePanel:
            return perNode;
        case Group::DeviceButtons:
            return devices;
    }
    return devices;
}

const std::vector<int>& SensorControls() {
    static const std::vector<int> ids = Range({1457, 1404, 1405}, 1116, 1128);
    return ids;
}

const std::vector<int>& StoButtons() {
    static const std::vector<int> ids = Range({}, 1106, 1113);
    return ids;
}

void ControlStates::Set(Group group, bool on) {
    for (int id : GroupControls(group)) enabled_[id] = on;
}

void ControlStates::Set(std::initializer_list<int> ids, bool on) {
    for (int id : ids) enabled_[id] = on;
}

bool ControlStates::Enabled(int id) const {
    const auto found = enabled_.find(id);
    return found == enabled_.end() || found->second;
}

}  // namespace norvane::bench
