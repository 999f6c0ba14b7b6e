#include "Rest/Models/RestCopy.h"

namespace RestCopy {

const QStringList& tips() {
    static const QStringList lines = {
        QStringLiteral("眼睛已申请暂停营业，先看一眼房间最远处"),
        QStringLiteral("视网膜发来友好提醒：别把今天盯穿"),
        QStringLiteral("闭眼二十秒，把屏幕的存在感调低一点"),
        QStringLiteral("你不是永动机，先眨个眼"),
        QStringLiteral("眼睛申请临时下班 20 秒"),
        QStringLiteral("电脑不会跑，身体先存个档"),
        QStringLiteral("你已经盯屏太久了，眼睛开始抗议了"),
        QStringLiteral("站起来伸个懒腰，顺手撤回一点硬撑"),
        QStringLiteral("肩膀放下来，脖子别继续参加内卷"),
        QStringLiteral("完整眨几次眼，给眼睛补一点现实感"),
        QStringLiteral("看向远处，让焦距离开屏幕这个小宇宙"),
        QStringLiteral("深呼吸一轮，先把状态拉回及格线"),
        QStringLiteral("把手搓热捂住双眼，给眼睛开个小暖场"),
        QStringLiteral("今天先不拼命，先把人保住"),
        QStringLiteral("闭上眼，给大脑和眼睛同时降个噪"),
        QStringLiteral("身体不是耗材，先暂停一下交付压力"),
        QStringLiteral("身体不是后台进程，不能一直挂着不管"),
        QStringLiteral("把注意力放到呼气上，别让 deadline 住进肺里"),
        QStringLiteral("别让眼睛替你的 deadline 加班"),
        QStringLiteral("看一眼窗外或房间边角，帮眼睛切个远景"),
        QStringLiteral("休息不是摸鱼，是给大脑换个缓存"),
        QStringLiteral("这不是打断，是系统维护"),
        QStringLiteral("站起来一下，证明你不是键盘配件"),
        QStringLiteral("闭眼 20 秒，不会错过世界大事"),
    };
    return lines;
}

const QStringList& skipFeedbackLines() {
    static const QStringList lines = {
        QStringLiteral("⚠️ 可以跳过，但眼睛已经记账了"),
        QStringLiteral("⚠️ 跳过成功，视网膜硬撑值 +1"),
        QStringLiteral("⚠️ 已跳过，下一轮别再假装没看见"),
        QStringLiteral("⚠️ 你点了关闭，但眼睛没有点同意"),
        QStringLiteral("⚠️ 闭眼申请被驳回，视网膜表示抗议"),
        QStringLiteral("⚠️ 别让眼睛替你的 deadline 继续加班"),
        QStringLiteral("⚠️ 这次算你忙，眼睛的小本本打开了"),
        QStringLiteral("⚠️ 跳过不是消失，只是延期护眼"),
    };
    return lines;
}

} // namespace RestCopy
