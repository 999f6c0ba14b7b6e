#include "Copywriting/TavoCopy.h"
#include "Reminders/HydrationReminderManager.h"
#include "Reminders/PelvicFloorReminderManager.h"
#include "Rest/Components/UltramanTigaView.h"
#include "Rest/Models/RestCopy.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;
using Draw = std::function<QString()>;
Q_DECLARE_METATYPE(Draw)

// Every fixed line the user reads, written here as the product's copy has it,
// so that one changed character in the code fails.
namespace {

// Reminders as title|body.
const QStringList hydrationReminders = {
    u"水杯申请出场【💦补水时间到】|它在旁边站岗很久了，给它一次表现机会。"_s,
    u"水分余额不足【💦补水时间到】|身体不是信用卡，不能一直透支到月底。"_s,
    u"别全靠咖啡硬顶【💦补水时间到】|咖啡负责把你叫醒，水负责让你别报警。"_s,
    u"嘴唇准备离职【💦补水时间到】|再不喝水，它可能要提交书面申请了。"_s,
    u"水杯不是桌搭【💦补水时间到】|都快被你盘包浆了，拿起来喝一口吧。"_s,
    u"补水系统敲门【💦补水时间到】|不用豪饮，几口也算给身体续上会员。"_s,
    u"吨吨吨小回合【💦补水时间到】|暂停卷十秒，先把水分进度条推一下。"_s,
    u"水杯发来未读【💦补水时间到】|消息很短，语气很急：喝我。"_s,
    u"身体请求降温【💦补水时间到】|键盘可以继续敲，水先安排一口。"_s,
    u"补水工单派发【💦补水时间到】|处理优先级：高；预计耗时：三口。"_s,
    u"别让身体空转【💦补水时间到】|机器缺水会报警，人缺水只会硬撑。"_s,
    u"今日水分待签收【💦补水时间到】|请本人亲自到水杯处领取。"_s,
    u"水杯盯你很久了【💦补水时间到】|它没说话，但它眼神里全是工作量。"_s,
    u"喝水不是背叛工作【💦补水时间到】|只是让身体别在后台默默掉线。"_s,
    u"水分 KPI 催办【💦补水时间到】|今天这一口，算你和身体和解一次。"_s};
const QStringList pelvicReminders = {
    u"底盘保养时间到【提肛时间到】|不用开盖，坐直一点，安静维护一组。"_s,
    u"久坐账号异常【提肛时间到】|检测到椅子绑定过久，请做一次身体验证。"_s,
    u"低调变强时间【提肛时间到】|外表风平浪静，身体偷偷升级一下。"_s,
    u"盆底肌工单来了【提肛时间到】|收一收、放一放，别憋气，别太用力。"_s,
    u"椅子粘性过高【提肛时间到】|解除绑定十秒，给底盘刷个存在感。"_s,
    u"底盘续航补丁【提肛时间到】|给久坐生活打个补丁，轻轻来一组。"_s,
    u"键盘配件检测【提肛时间到】|动一下，证明你不是外接设备。"_s,
    u"身体后台巡检【提肛时间到】|这项不弹窗会忘，所以我来了。"_s,
    u"久坐人小保养【提肛时间到】|不用声张，低调完成，功德加一。"_s,
    u"核心资产巡检【提肛时间到】|姿势放松，不夹臀不憋气，稳稳做完。"_s,
    u"底盘请求上线【提肛时间到】|别让它一年到头只负责坐着。"_s,
    u"今日隐形训练【提肛时间到】|别人看不出来，但身体知道你努力了。"_s,
    u"座椅占用超时【提肛时间到】|请暂时归还身体控制权，完成一组。"_s,
    u"维护窗口已打开【提肛时间到】|自然呼吸，收放有度，别把自己拧成麻花。"_s};
const QString pelvicHowTo =
    u"怎么做：像忍住放屁、收住尿意一样向上收紧盆底；收 3 秒、放 3 秒，做 10 次。保持呼吸，不夹臀、不收腹；不舒服就停。"_s;
const QStringList hydrationLogged = {u"💧 水分充值 +1，身体收到"_s, u"💧 补水打卡成功，别全靠咖啡硬顶"_s,
                                     u"💧 今日第 %d 杯到账，继续保持"_s, u"💧 水分余额回升，状态好一点了"_s};
const QStringList pelvicLogged = {
    u"🫧 底盘保养 +1，低调变强"_s, u"🫧 今日第 %d 次完成，提肛小练到账"_s,
    u"🫧 完成一组，身体维护记录已更新"_s, u"🫧 收放有度，底盘续航 +1"_s};
const QStringList hydrationSkips = {
    u"💧 水杯表示：我不是桌搭"_s,           u"💧 跳过补水，身体先记一笔"_s,
    u"💧 咖啡不能顶所有水，别糊弄身体"_s,   u"💧 本次水分充值延期，别让余额见底"_s,
    u"💧 已跳过喝水，水杯继续在旁边沉默"_s, u"💧 今天的水分 KPI 又被你鸽了一次"_s};
const QStringList pelvicSkips = {u"🫧 底盘保养已跳过，久坐账本 +1"_s,
                                 u"🫧 这组先欠着，别把身体当固定资产"_s,
                                 u"🫧 已跳过，身体维护单暂时挂起"_s,
                                 u"🫧 低调维护失败一次，下次补上"_s,
                                 u"🫧 久坐人已忽略保养提醒，系统轻微叹气"_s,
                                 u"🫧 底盘续航未更新，先给你记个待办"_s};
const QStringList restTips = {u"眼睛已申请暂停营业，先看一眼房间最远处"_s,
                              u"视网膜发来友好提醒：别把今天盯穿"_s,
                              u"闭眼二十秒，把屏幕的存在感调低一点"_s,
                              u"你不是永动机，先眨个眼"_s,
                              u"眼睛申请临时下班 20 秒"_s,
                              u"电脑不会跑，身体先存个档"_s,
                              u"你已经盯屏太久了，眼睛开始抗议了"_s,
                              u"站起来伸个懒腰，顺手撤回一点硬撑"_s,
                              u"肩膀放下来，脖子别继续参加内卷"_s,
                              u"完整眨几次眼，给眼睛补一点现实感"_s,
                              u"看向远处，让焦距离开屏幕这个小宇宙"_s,
                              u"深呼吸一轮，先把状态拉回及格线"_s,
                              u"把手搓热捂住双眼，给眼睛开个小暖场"_s,
                              u"今天先不拼命，先把人保住"_s,
                              u"闭上眼，给大脑和眼睛同时降个噪"_s,
                              u"身体不是耗材，先暂停一下交付压力"_s,
                              u"身体不是后台进程，不能一直挂着不管"_s,
                              u"把注意力放到呼气上，别让 deadline 住进肺里"_s,
                              u"别让眼睛替你的 deadline 加班"_s,
                              u"看一眼窗外或房间边角，帮眼睛切个远景"_s,
                              u"休息不是摸鱼，是给大脑换个缓存"_s,
                              u"这不是打断，是系统维护"_s,
                              u"站起来一下，证明你不是键盘配件"_s,
                              u"闭眼 20 秒，不会错过世界大事"_s};
const QStringList feedbackLines = {u"⚠️ 可以跳过，但眼睛已经记账了"_s,
                                   u"⚠️ 跳过成功，视网膜硬撑值 +1"_s,
                                   u"⚠️ 已跳过，下一轮别再假装没看见"_s,
                                   u"⚠️ 你点了关闭，但眼睛没有点同意"_s,
                                   u"⚠️ 闭眼申请被驳回，视网膜表示抗议"_s,
                                   u"⚠️ 别让眼睛替你的 deadline 继续加班"_s,
                                   u"⚠️ 这次算你忙，眼睛的小本本打开了"_s,
                                   u"⚠️ 跳过不是消失，只是延期护眼"_s};
const QStringList subtitles = {
    u"本集标题 · 打工人终于眨眼了"_s,         u"能量灯：我闪我的 · 你倒是闭眼啊"_s,
    u"变身器没坏 · 是你眼睛没电了"_s,         u"屏幕怪兽 HP 没掉 · 你的眼睛先掉血了"_s,
    u"地球防卫队批准 · 你现在可以不看屏幕"_s, u"光线技能冷却中 · 请用闭眼恢复 MP"_s,
    u"本轮作战失败原因 · 眨眼次数过低"_s,     u"别对屏幕放光线了 · 先把眼睛收回来"_s,
    u"人间体已离线 · 二十秒后自动重连"_s,     u"屏幕先别救了 · 先救一下眼睛"_s};

QString joined(const TavoCopy::ReminderText& text) {
    return text.title + u'|' + text.body;
}

} // namespace

class CopyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The tables nothing draws from here (the reminders' own: see the draws below).
    void tablesReadAsWritten_data() {
        QTest::addColumn<QStringList>("actual");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("hydration skips")
            << HydrationReminderManager::hydrationConfiguration().skipMessages << hydrationSkips;
        QTest::newRow("pelvic-floor skips")
            << PelvicFloorReminderManager::pelvicFloorConfiguration().skipMessages << pelvicSkips;
        QTest::newRow("rest tips") << RestCopy::tips() << restTips;
        QTest::newRow("skip feedback") << RestCopy::skipFeedbackLines() << feedbackLines;
    }
    void tablesReadAsWritten() {
        QFETCH(QStringList, actual);
        QFETCH(QStringList, expected);
        QCOMPARE(actual, expected);
    }

    // Each draw gives one whole row, never anything else, and every row comes up.
    void drawsCoverTheRows_data() {
        QTest::addColumn<Draw>("draw");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("hydration reminder")
            << Draw([] { return joined(TavoCopy::hydrationReminder()); }) << hydrationReminders;
        QStringList withHowTo = pelvicReminders;
        QTest::newRow("pelvic-floor reminder, one empty line before the how-to")
            << Draw([] { return joined(TavoCopy::pelvicFloorReminder()); })
            << withHowTo.replaceInStrings(QRegularExpression(u"$"_s), u"\n\n"_s + pelvicHowTo);
        QTest::newRow("hydration logged, count 3")
            << Draw([] { return TavoCopy::hydrationLoggedLine(3); })
            << QStringList(hydrationLogged).replaceInStrings(u"%d"_s, u"3"_s);
        QTest::newRow("pelvic-floor logged, count 12")
            << Draw([] { return TavoCopy::pelvicFloorLoggedLine(12); })
            << QStringList(pelvicLogged).replaceInStrings(u"%d"_s, u"12"_s);
        QTest::newRow("rest subtitles") << Draw(&UltramanTigaView::randomSubtitle) << subtitles;
    }
    void drawsCoverTheRows() {
        QFETCH(Draw, draw);
        QFETCH(QStringList, rows);
        const QSet<QString> all(rows.cbegin(), rows.cend());
        QSet<QString> seen;
        for (int i = 0; i < 3000 && seen.size() < all.size(); ++i) {
            const QString text = draw();
            QVERIFY2(all.contains(text), qPrintable(text));
            seen.insert(text);
        }
        QCOMPARE(seen, all);
    }
};

QTEST_APPLESS_MAIN(CopyTest)
#include "tst_tavo_copy.moc"
