#include "Copywriting/TavoCopy.h"
#include "Platform/Random.h"

namespace TavoCopy {

namespace {

QString fillCount(QString line, int count) {
    return line.replace(QStringLiteral("%d"), QString::number(count));
}

} // namespace

const QList<ReminderText>& hydrationReminders() {
    static const QList<ReminderText> rows = {
        {QStringLiteral("水杯申请出场【💦补水时间到】"),
         QStringLiteral("它在旁边站岗很久了，给它一次表现机会。")},
        {QStringLiteral("水分余额不足【💦补水时间到】"),
         QStringLiteral("身体不是信用卡，不能一直透支到月底。")},
        {QStringLiteral("别全靠咖啡硬顶【💦补水时间到】"),
         QStringLiteral("咖啡负责把你叫醒，水负责让你别报警。")},
        {QStringLiteral("嘴唇准备离职【💦补水时间到】"), QStringLiteral("再不喝水，它可能要提交书面申请了。")},
        {QStringLiteral("水杯不是桌搭【💦补水时间到】"), QStringLiteral("都快被你盘包浆了，拿起来喝一口吧。")},
        {QStringLiteral("补水系统敲门【💦补水时间到】"), QStringLiteral("不用豪饮，几口也算给身体续上会员。")},
        {QStringLiteral("吨吨吨小回合【💦补水时间到】"), QStringLiteral("暂停卷十秒，先把水分进度条推一下。")},
        {QStringLiteral("水杯发来未读【💦补水时间到】"), QStringLiteral("消息很短，语气很急：喝我。")},
        {QStringLiteral("身体请求降温【💦补水时间到】"), QStringLiteral("键盘可以继续敲，水先安排一口。")},
        {QStringLiteral("补水工单派发【💦补水时间到】"), QStringLiteral("处理优先级：高；预计耗时：三口。")},
        {QStringLiteral("别让身体空转【💦补水时间到】"), QStringLiteral("机器缺水会报警，人缺水只会硬撑。")},
        {QStringLiteral("今日水分待签收【💦补水时间到】"), QStringLiteral("请本人亲自到水杯处领取。")},
        {QStringLiteral("水杯盯你很久了【💦补水时间到】"), QStringLiteral("它没说话，但它眼神里全是工作量。")},
        {QStringLiteral("喝水不是背叛工作【💦补水时间到】"), QStringLiteral("只是让身体别在后台默默掉线。")},
        {QStringLiteral("水分 KPI 催办【💦补水时间到】"), QStringLiteral("今天这一口，算你和身体和解一次。")},
    };
    return rows;
}

const QList<ReminderText>& pelvicFloorReminders() {
    static const QList<ReminderText> rows = {
        {QStringLiteral("底盘保养时间到【提肛时间到】"),
         QStringLiteral("不用开盖，坐直一点，安静维护一组。")},
        {QStringLiteral("久坐账号异常【提肛时间到】"),
         QStringLiteral("检测到椅子绑定过久，请做一次身体验证。")},
        {QStringLiteral("低调变强时间【提肛时间到】"), QStringLiteral("外表风平浪静，身体偷偷升级一下。")},
        {QStringLiteral("盆底肌工单来了【提肛时间到】"),
         QStringLiteral("收一收、放一放，别憋气，别太用力。")},
        {QStringLiteral("椅子粘性过高【提肛时间到】"), QStringLiteral("解除绑定十秒，给底盘刷个存在感。")},
        {QStringLiteral("底盘续航补丁【提肛时间到】"), QStringLiteral("给久坐生活打个补丁，轻轻来一组。")},
        {QStringLiteral("键盘配件检测【提肛时间到】"), QStringLiteral("动一下，证明你不是外接设备。")},
        {QStringLiteral("身体后台巡检【提肛时间到】"), QStringLiteral("这项不弹窗会忘，所以我来了。")},
        {QStringLiteral("久坐人小保养【提肛时间到】"), QStringLiteral("不用声张，低调完成，功德加一。")},
        {QStringLiteral("核心资产巡检【提肛时间到】"), QStringLiteral("姿势放松，不夹臀不憋气，稳稳做完。")},
        {QStringLiteral("底盘请求上线【提肛时间到】"), QStringLiteral("别让它一年到头只负责坐着。")},
        {QStringLiteral("今日隐形训练【提肛时间到】"), QStringLiteral("别人看不出来，但身体知道你努力了。")},
        {QStringLiteral("座椅占用超时【提肛时间到】"), QStringLiteral("请暂时归还身体控制权，完成一组。")},
        {QStringLiteral("维护窗口已打开【提肛时间到】"),
         QStringLiteral("自然呼吸，收放有度，别把自己拧成麻花。")},
    };
    return rows;
}

const QStringList& hydrationLoggedLines() {
    static const QStringList lines = {
        QStringLiteral("💧 水分充值 +1，身体收到"),
        QStringLiteral("💧 补水打卡成功，别全靠咖啡硬顶"),
        QStringLiteral("💧 今日第 %d 杯到账，继续保持"),
        QStringLiteral("💧 水分余额回升，状态好一点了"),
    };
    return lines;
}

const QStringList& pelvicFloorLoggedLines() {
    static const QStringList lines = {
        QStringLiteral("🫧 底盘保养 +1，低调变强"),
        QStringLiteral("🫧 今日第 %d 次完成，提肛小练到账"),
        QStringLiteral("🫧 完成一组，身体维护记录已更新"),
        QStringLiteral("🫧 收放有度，底盘续航 +1"),
    };
    return lines;
}

const QString& pelvicFloorHowTo() {
    static const QString text = QStringLiteral("怎么做：像忍住放屁、收住尿意一样向上收紧盆底；收 3 秒、放 3 "
                                               "秒，做 10 次。保持呼吸，不夹臀、不收腹；不舒服就停。");
    return text;
}

ReminderText hydrationReminder() {
    return randomElement(hydrationReminders());
}

ReminderText pelvicFloorReminder() {
    ReminderText text = randomElement(pelvicFloorReminders());
    text.body += QStringLiteral("\n\n") + pelvicFloorHowTo();
    return text;
}

QString hydrationLoggedLine(int count) {
    return fillCount(randomElement(hydrationLoggedLines()), count);
}

QString pelvicFloorLoggedLine(int count) {
    return fillCount(randomElement(pelvicFloorLoggedLines()), count);
}

} // namespace TavoCopy
