<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CommandLine</name>
    <message>
        <source>Tamsel录音机, a sound recorder: records from the input device in the format you choose, plays the take back and saves a copy.
Takes no files; it records into its working file Recorded.wav.</source>
        <translation>Tamsel Recorder, a sound recorder: records from the input device in the format you choose, plays the take back and saves a copy.
Takes no files; it records into its working file Recorded.wav.</translation>
    </message>
    <message>
        <source>Displays help on commandline options.</source>
        <translation>Displays help on commandline options.</translation>
    </message>
    <message>
        <source>Takes no files or other arguments: %1</source>
        <translation>Takes no files or other arguments: %1</translation>
    </message>
    <message>
        <source>%1: %2
Try &apos;%1 --help&apos;.
</source>
        <translation>%1: %2
Try &apos;%1 --help&apos;.
</translation>
    </message>
    <message>
        <source>Lists the input and output devices as the menus show them, each with the name TAMSEL_CAPTURE_DEVICE and TAMSEL_PLAYBACK_DEVICE take.</source>
        <translation>Lists the input and output devices as the menus show them, each with the name TAMSEL_CAPTURE_DEVICE and TAMSEL_PLAYBACK_DEVICE take.</translation>
    </message>
    <message>
        <source>输入设备（%1）：</source>
        <translation>Input devices (%1):</translation>
    </message>
    <message>
        <source>输出设备（%1）：</source>
        <translation>Output devices (%1):</translation>
    </message>
</context>
<context>
    <name>Places</name>
    <message>
        <source>about.html</source>
        <translation>about.en.html</translation>
    </message>
</context>
<context>
    <name>SaveCopy</name>
    <message>
        <source>wav音频文件(*.wav)</source>
        <translation>WAV audio file (*.wav)</translation>
    </message>
    <message>
        <source>FLAC无损音频(*.flac)</source>
        <translation>FLAC lossless audio (*.flac)</translation>
    </message>
    <message>
        <source>Opus音频(*.opus)</source>
        <translation>Opus audio (*.opus)</translation>
    </message>
    <message>
        <source>Ogg Vorbis音频(*.ogg)</source>
        <translation>Ogg Vorbis audio (*.ogg)</translation>
    </message>
    <message>
        <source>MP3音频(*.mp3)</source>
        <translation>MP3 audio (*.mp3)</translation>
    </message>
    <message>
        <source>“%1”已存在。
要替换它吗？</source>
        <translation>“%1” already exists.
Do you want to replace it?</translation>
    </message>
    <message>
        <source>正在保存为%1：%2</source>
        <translation>Saving as %1: %2</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>保存失败：%1
%2</source>
        <translation>Saving failed: %1
%2</translation>
    </message>
    <message>
        <source>这是录音机正在使用的录音文件本身。请换一个名字或文件夹。</source>
        <translation>This is the recorder’s own working recording. Please choose another name or folder.</translation>
    </message>
    <message>
        <source>录音文件在复制时变短了，副本不完整。</source>
        <translation>The recording became shorter while it was being copied; the copy would be incomplete.</translation>
    </message>
</context>
<context>
    <name>TControlBoxMenu</name>
    <message>
        <source>暂停录制</source>
        <translation>Pause Recording</translation>
    </message>
    <message>
        <source>输入设备</source>
        <translation>Input Device</translation>
    </message>
    <message>
        <source>输出设备</source>
        <translation>Output Device</translation>
    </message>
    <message>
        <source>打开录音所在文件夹</source>
        <translation>Open the Recording&apos;s Folder</translation>
    </message>
    <message>
        <source>最近的录音</source>
        <translation>Recent Recordings</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>继续录制</source>
        <translation>Resume Recording</translation>
    </message>
    <message>
        <source>外观</source>
        <translation>Appearance</translation>
    </message>
    <message>
        <source>删除此处之前的部分</source>
        <translation>Delete Before This Point</translation>
    </message>
    <message>
        <source>删除此处之后的部分</source>
        <translation>Delete After This Point</translation>
    </message>
</context>
<context>
    <name>TDeviceChoices</name>
    <message>
        <source>默认设备</source>
        <translation>Default device</translation>
    </message>
    <message>
        <source>%1（未连接）</source>
        <translation>%1 (not connected)</translation>
    </message>
    <message>
        <source>找不到输入设备“%1”，改用默认设备。</source>
        <translation>The input device “%1” cannot be found; the default device is used instead.</translation>
    </message>
    <message>
        <source>找不到输出设备“%1”，改用默认设备。</source>
        <translation>The output device “%1” cannot be found; the default device is used instead.</translation>
    </message>
    <message>
        <source>录音</source>
        <translation>Recording</translation>
    </message>
    <message>
        <source>播放</source>
        <translation>Playback</translation>
    </message>
    <message>
        <source>电脑播放的声音</source>
        <translation>What the computer plays</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>已停止</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>已暂停 </source>
        <translation>Paused </translation>
    </message>
    <message>
        <source>正在录制 </source>
        <translation>Recording </translation>
    </message>
    <message>
        <source>正在播放 </source>
        <translation>Playing </translation>
    </message>
    <message>
        <source>录制转换步骤：</source>
        <translation>Recording conversion steps:</translation>
    </message>
    <message>
        <source>正在录音</source>
        <translation>Recording sound</translation>
    </message>
    <message>
        <source>播放转换步骤：</source>
        <translation>Playback conversion steps:</translation>
    </message>
    <message>
        <source>选择录制格式</source>
        <translation>Choose the Recording Format</translation>
    </message>
    <message>
        <source>QQ号码已复制！</source>
        <translation>Contact copied!</translation>
    </message>
    <message>
        <source>Tamsel录音机</source>
        <translation>Tamsel Recorder</translation>
    </message>
    <message>
        <source>录制</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>格式</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Tamsel出品，点此获取最新版本</source>
        <translation>Tamsel: click here for the latest version</translation>
    </message>
    <message>
        <source>承接定制开发，点此复制联系方式</source>
        <translation>Custom work: copy the contact</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>官网</source>
        <translation>Website</translation>
    </message>
    <message>
        <source>wav音频文件(*.wav)|*.wav</source>
        <translation>WAV audio file (*.wav)|*.wav</translation>
    </message>
    <message>
        <source>录制 (Ctrl+R)；录制时按 Space 暂停或继续</source>
        <translation>Record (Ctrl+R); while recording, Space pauses and resumes</translation>
    </message>
    <message>
        <source>播放 (Space)；播放时按 Space 暂停或继续</source>
        <translation>Play (Space); while playing, Space pauses and resumes</translation>
    </message>
    <message>
        <source>录音时有 %1 秒的声音丢失（磁盘或系统过忙）。</source>
        <translation>%1 s of sound was lost while recording (the disk or the system was too busy).</translation>
    </message>
    <message>
        <source>示波器</source>
        <translation>Oscilloscope</translation>
    </message>
    <message>
        <source>录音或播放时声音的实时波形</source>
        <translation>The live waveform of the sound being recorded or played</translation>
    </message>
    <message>
        <source>转换步骤</source>
        <translation>Conversion steps</translation>
    </message>
    <message>
        <source>播放进度</source>
        <translation>Playback progress</translation>
    </message>
    <message>
        <source>没有声音输入：请检查麦克风</source>
        <translation>No sound input: check the microphone</translation>
    </message>
    <message>
        <source>正在把录音写入磁盘，请稍候…</source>
        <translation>Writing the recording to the disk, please wait…</translation>
    </message>
    <message>
        <source>录音进行到第 %1 秒时输入设备断开了，之后的声音录自“%2”。</source>
        <translation>The input device went away %1 s into the recording; from then on the sound came from “%2”.</translation>
    </message>
</context>
<context>
    <name>TPeakMeter</name>
    <message>
        <source>  峰值 -∞ dBFS</source>
        <translation>  Peak -∞ dBFS</translation>
    </message>
    <message>
        <source>  峰值 %1 dBFS</source>
        <translation>  Peak %1 dBFS</translation>
    </message>
</context>
<context>
    <name>TSleepInhibitor</name>
    <message>
        <source>Tamsel录音机</source>
        <translation>Tamsel Recorder</translation>
    </message>
</context>
<context>
    <name>TTakeArchive</name>
    <message>
        <source>录音 %1.wav</source>
        <translation>Recording %1.wav</translation>
    </message>
    <message>
        <source>无法创建文件夹</source>
        <translation>cannot create the folder</translation>
    </message>
    <message>
        <source>未保存的录音无法放入“最近的录音”文件夹 %1（%2），已改名留在 %3。</source>
        <translation>The unsaved recording could not be put in the “Recent Recordings” folder %1 (%2); it was renamed and left at %3.</translation>
    </message>
    <message>
        <source>未保存的录音无法保留（%1），新的录音将覆盖它。</source>
        <translation>The unsaved recording could not be kept (%1); the next recording will overwrite it.</translation>
    </message>
</context>
<context>
    <name>TTakeCut</name>
    <message>
        <source>剪切前的录音无法保留（%1）</source>
        <translation>the recording as it was before the cut cannot be kept (%1)</translation>
    </message>
    <message>
        <source>正在剪切录音……</source>
        <translation>Cutting the recording…</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>剪切</source>
        <translation>Cut</translation>
    </message>
    <message>
        <source>已剪切，剪切前的录音保存在 %1</source>
        <translation>Cut; the recording as it was is kept in %1</translation>
    </message>
    <message>
        <source>无法剪切录音：%1
录音保持原样。</source>
        <translation>Could not cut the recording: %1
The recording is as it was.</translation>
    </message>
</context>
<context>
    <name>TdeFormatChooser</name>
    <message>
        <source>&amp;Format:</source>
        <translation>&amp;Format:</translation>
    </message>
    <message>
        <source>&amp;Attributes:</source>
        <translation>&amp;Attributes:</translation>
    </message>
    <message>
        <source>Format 0x%1</source>
        <translation>Format 0x%1</translation>
    </message>
    <message>
        <source>Current format</source>
        <translation>Current format</translation>
    </message>
</context>
<context>
    <name>TsuiSideChannel</name>
    <message>
        <source>固定</source>
        <translation>Pin</translation>
    </message>
</context>
<context>
    <name>TsuiTitleBar</name>
    <message>
        <source>窗口菜单</source>
        <translation>Window menu</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimize</translation>
    </message>
    <message>
        <source>还原</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>最大化</source>
        <translation>Maximize</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>按钮</source>
        <translation>Button</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Tamsel录音机</source>
        <translation>Tamsel Recorder</translation>
    </message>
</context>
</TS>
