// The texts the window description (resources/Form1.json) stores, for
// lupdate, which does not read the description; this file is not compiled.
// The window translates them after loading, in the context of its class.
// A caption added to the description is added here too.
QT_TRANSLATE_NOOP("TForm1", "Tamsel录音机")
QT_TRANSLATE_NOOP("TForm1", "录制")
QT_TRANSLATE_NOOP("TForm1", "停止")
QT_TRANSLATE_NOOP("TForm1", "播放")
QT_TRANSLATE_NOOP("TForm1", "格式")
QT_TRANSLATE_NOOP("TForm1", "退出")
QT_TRANSLATE_NOOP("TForm1", "Tamsel出品，点此获取最新版本")
QT_TRANSLATE_NOOP("TForm1", "承接定制开发，点此复制联系方式")
QT_TRANSLATE_NOOP("TForm1", "保存")
QT_TRANSLATE_NOOP("TForm1", "官网")
QT_TRANSLATE_NOOP("TForm1", "wav音频文件(*.wav)|*.wav")
