<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>EvdevInput</name>
    <message>
        <source>this user may not read %1 (%2)</source>
        <translation>этому пользователю нельзя читать %1 (%2)</translation>
    </message>
    <message>
        <source>%1 can not be read (%2)</source>
        <translation>%1 не читается (%2)</translation>
    </message>
    <message>
        <source>%1 is gone</source>
        <translation>%1 исчез</translation>
    </message>
    <message>
        <source>the controller has no event device</source>
        <translation>у контроллера нет устройства событий</translation>
    </message>
    <message>
        <source>the controller is gone</source>
        <translation>контроллер отключён</translation>
    </message>
    <message>
        <source>live input is available on Linux only for now</source>
        <translation>живой ввод пока доступен только в Linux</translation>
    </message>
</context>
<context>
    <name>LiveInputWindow</name>
    <message>
        <source>Live input</source>
        <translation>Ввод в реальном времени</translation>
    </message>
    <message>
        <source>Controller</source>
        <translation>Контроллер</translation>
    </message>
    <message>
        <source>Axes</source>
        <translation>Оси</translation>
    </message>
    <message>
        <source>Buttons</source>
        <translation>Кнопки</translation>
    </message>
    <message>
        <source>Hat</source>
        <translation>Крестовина</translation>
    </message>
    <message>
        <source>Hat direction</source>
        <translation>Направление крестовины</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
    <message>
        <source>centred</source>
        <translation>в центре</translation>
    </message>
    <message>
        <source>up</source>
        <translation>вверх</translation>
    </message>
    <message>
        <source>up-right</source>
        <translation>вверх-вправо</translation>
    </message>
    <message>
        <source>right</source>
        <translation>вправо</translation>
    </message>
    <message>
        <source>down-right</source>
        <translation>вниз-вправо</translation>
    </message>
    <message>
        <source>down</source>
        <translation>вниз</translation>
    </message>
    <message>
        <source>down-left</source>
        <translation>вниз-влево</translation>
    </message>
    <message>
        <source>left</source>
        <translation>влево</translation>
    </message>
    <message>
        <source>up-left</source>
        <translation>вверх-влево</translation>
    </message>
    <message>
        <source>pressed</source>
        <translation>нажата</translation>
    </message>
    <message>
        <source>released</source>
        <translation>отпущена</translation>
    </message>
    <message>
        <source>No input can be shown: %1.</source>
        <translation>Ввод показать нельзя: %1.</translation>
    </message>
    <message>
        <source>Button %1</source>
        <translation>Кнопка %1</translation>
    </message>
</context>
</TS>
