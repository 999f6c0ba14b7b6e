#include "Rest/Components/UltramanTigaView.h"

#include <QRandomGenerator>
#include <QStringList>

QString UltramanTigaView::randomSubtitle()
{
    static const QStringList subtitles = {
        QStringLiteral("本集标题 · 打工人终于眨眼了"),
        QStringLiteral("能量灯：我闪我的 · 你倒是闭眼啊"),
        QStringLiteral("变身器没坏 · 是你眼睛没电了"),
        QStringLiteral("屏幕怪兽 HP 没掉 · 你的眼睛先掉血了"),
        QStringLiteral("地球防卫队批准 · 你现在可以不看屏幕"),
        QStringLiteral("光线技能冷却中 · 请用闭眼恢复 MP"),
        QStringLiteral("本轮作战失败原因 · 眨眼次数过低"),
        QStringLiteral("别对屏幕放光线了 · 先把眼睛收回来"),
        QStringLiteral("人间体已离线 · 二十秒后自动重连"),
        QStringLiteral("屏幕先别救了 · 先救一下眼睛"),
    };
    return subtitles.at(QRandomGenerator::global()->bounded(static_cast<int>(subtitles.size())));
}
