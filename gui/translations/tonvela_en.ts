<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- The editor's texts whose source is Japanese, in English for every other locale. Kept by hand:
     the data checker's explanations come from the core (checkExplanation), where lupdate does not
     look. Every entry must match its source text byte for byte; the GUI tests check that each
     explanation and hint has its English text. -->
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>DataCheck</name>
    <message>
        <source>同じ音の発音中にNoteOn があります(直前のノートの長さを調節します)</source>
        <translation>A NoteOn of a key that is still sounding (the preceding note's length is adjusted)</translation>
    </message>
    <message>
        <source>余分な NoteOff があります(削除します)</source>
        <translation>An extra NoteOff (deleted)</translation>
    </message>
    <message>
        <source>NoteOff/On が同じティックにあります(直前のノートの長さを調節します)</source>
        <translation>NoteOff and NoteOn of a key on the same tick (the preceding note's length is adjusted)</translation>
    </message>
    <message>
        <source>音符の長さが短かすぎます(削除します)</source>
        <translation>The note is too short (deleted)</translation>
    </message>
    <message>
        <source>不要なコントロールチェンジがあります(削除します)</source>
        <translation>An unnecessary control change (deleted)</translation>
    </message>
    <message>
        <source>ベロシティの値が不正です(削除します)</source>
        <translation>An invalid velocity (deleted)</translation>
    </message>
    <message>
        <source>同じ音が重複しています(削除します)</source>
        <translation>The same note twice (deleted)</translation>
    </message>
    <message>
        <source>不要なピッチベンドがあります(削除します)</source>
        <translation>An unnecessary pitch bend (deleted)</translation>
    </message>
    <message>
        <source>RPN、NRPNの指定が無効なデータエントリ指定があります(修正しません)</source>
        <translation>A data entry without a valid RPN or NRPN selection (not corrected)</translation>
    </message>
    <message>
        <source>同じコントロールが重複しています(削除します)</source>
        <translation>The same controller twice (deleted)</translation>
    </message>
    <message>
        <source>ピッチベンドが重複しています(削除します)</source>
        <translation>Pitch bend twice (deleted)</translation>
    </message>
    <message>
        <source>同じティックにノートオンとコントロールがあります(ノートまたはコントロールの位置を修正します)</source>
        <translation>A note-on and a control change on the same tick (the position of the note or of the control change is corrected)</translation>
    </message>
    <message>
        <source>同じティックにノートオンとピッチベンドがあります(ノートまたはピッチベンドの位置を修正します)</source>
        <translation>A note-on and a pitch bend on the same tick (the position of the note or of the pitch bend is corrected)</translation>
    </message>
    <message>
        <source>メインボリュームまたはエクスプレッションが０の位置にノートオンがあります(削除します)</source>
        <translation>A note-on where main volume or expression is 0 (deleted)</translation>
    </message>
    <message>
        <source>スイッチの値が０または127以外になっています(０または127にします)</source>
        <translation>A switch value other than 0 or 127 (set to 0 or 127)</translation>
    </message>
    <message>
        <source>無発音時にピッチベンドがあります(削除します)</source>
        <translation>A pitch bend while no note sounds (deleted)</translation>
    </message>
    <message>
        <source>無効なピッチベンド(変化が小さ過ぎる)があります(削除します)</source>
        <translation>An ineffective pitch bend: the change is too small (deleted)</translation>
    </message>
</context>
<context>
    <name>TOption</name>
    <message>
        <source>過去にオープンしたファイルの履歴の個数を設定します。</source>
        <translation>Sets how many recently opened files the history keeps.</translation>
    </message>
    <message>
        <source>上書き保存の時にバックアップファイルを作ります。</source>
        <translation>Makes a backup file when a file is saved over.</translation>
    </message>
    <message>
        <source>エラー音をMIDIで鳴らします。</source>
        <translation>Plays the error sound through MIDI.</translation>
    </message>
    <message>
        <source>発音中のノートに対する重複したノートオンを検出します。</source>
        <translation>Detects a repeated note-on of a note that is still sounding.</translation>
    </message>
    <message>
        <source>指定したティックより短いノートを検出します。</source>
        <translation>Detects notes shorter than the given number of ticks.</translation>
    </message>
    <message>
        <source>指定した範囲のベロシティを不正とみなし、検出します。</source>
        <translation>Detects velocities within the given range as invalid.</translation>
    </message>
    <message>
        <source>同一ティックにある同じノートに対するNoteON＋OFFを検出します。</source>
        <translation>Detects a NoteON and OFF of the same note on the same tick.</translation>
    </message>
    <message>
        <source>現在と同じ値のコントロールチェンジを検出します。</source>
        <translation>Detects control changes that repeat the current value.</translation>
    </message>
    <message>
        <source>同一ティックで始まる同じノートを検出します。</source>
        <translation>Detects the same note starting twice on the same tick.</translation>
    </message>
    <message>
        <source>現在と同じ値のピッチベンドを検出します。</source>
        <translation>Detects pitch bends that repeat the current value.</translation>
    </message>
    <message>
        <source>アドレス指定のないデータエントリを検出します。</source>
        <translation>Detects data entries without an RPN or NRPN address.</translation>
    </message>
    <message>
        <source>同一ティックである同じコントロールを検出します。</source>
        <translation>Detects the same controller changed twice on the same tick.</translation>
    </message>
    <message>
        <source>同一ティックであるピッチベンドを検出します。</source>
        <translation>Detects more than one pitch bend on the same tick.</translation>
    </message>
    <message>
        <source>同一ティックにノートオンとコントロール／ピッチベンドがあるケースを検出します。</source>
        <translation>Detects a note-on and a control change or pitch bend on the same tick.</translation>
    </message>
    <message>
        <source>ボリュームが０の位置にあるノートオンを検出します</source>
        <translation>Detects note-ons where the volume is 0</translation>
    </message>
    <message>
        <source>0,127以外のスイッチを検出します</source>
        <translation>Detects switch values other than 0 and 127</translation>
    </message>
    <message>
        <source>無発音時の無効なピッチベンドを検出します</source>
        <translation>Detects ineffective pitch bends while no note sounds</translation>
    </message>
    <message>
        <source>変化が１セントより小さいピッチベンドを検出します</source>
        <translation>Detects pitch bends that change the pitch by less than one cent</translation>
    </message>
    <message>
        <source>著作権情報を登録します</source>
        <translation>Registers copyright information</translation>
    </message>
</context>
</TS>
