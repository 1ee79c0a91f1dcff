<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>EvdevInput</name>
    <message>
        <source>the controller is gone</source>
        <translation>контроллер отключён</translation>
    </message>
    <message>
        <source>this user may not read %1 (%2)</source>
        <translation>этому пользователю нельзя читать %1 (%2)</translation>
    </message>
    <message>
        <source>the controller has no event device</source>
        <translation>у контроллера нет устройства событий</translation>
    </message>
</context>
<context>
    <name>SimulatorPanel</name>
    <message>
        <source>Simulated controllers</source>
        <translation>Имитируемые контроллеры</translation>
    </message>
    <message>
        <source>Generic</source>
        <translation>Универсальное устройство</translation>
    </message>
    <message>
        <source>Connects or disconnects the controller, as its cable would.</source>
        <translation>Подключает или отключает контроллер, как это сделал бы его кабель.</translation>
    </message>
    <message>
        <source>Generic plugged in</source>
        <translation>Универсальное устройство: кабель подключён</translation>
    </message>
    <message>
        <source>Plugged in</source>
        <translation>Кабель подключён</translation>
    </message>
    <message>
        <source>After a write, the controller reports busy until this is cleared.</source>
        <translation>После записи контроллер сообщает «занят», пока этот флажок не снят.</translation>
    </message>
    <message>
        <source>Generic stays busy</source>
        <translation>Универсальное устройство: занятость не снимается</translation>
    </message>
    <message>
        <source>Stays busy</source>
        <translation>Занятость не снимается</translation>
    </message>
    <message>
        <source>Every transfer fails with an input/output error.</source>
        <translation>Каждая передача завершается ошибкой ввода-вывода.</translation>
    </message>
    <message>
        <source>Generic fails transfers</source>
        <translation>Универсальное устройство: ошибки передачи</translation>
    </message>
    <message>
        <source>Fails transfers</source>
        <translation>Ошибки передачи</translation>
    </message>
    <message>
        <source>Every transfer fails after waiting its time-out.</source>
        <translation>Каждая передача завершается ошибкой, прождав свой тайм-аут.</translation>
    </message>
    <message>
        <source>Generic times out</source>
        <translation>Универсальное устройство: тайм-ауты</translation>
    </message>
    <message>
        <source>Times out</source>
        <translation>Тайм-ауты</translation>
    </message>
    <message>
        <source>Reports are answered with half their bytes.</source>
        <translation>Отчёты приходят лишь с половиной своих байтов.</translation>
    </message>
    <message>
        <source>Generic short reports</source>
        <translation>Универсальное устройство: укороченные отчёты</translation>
    </message>
    <message>
        <source>Short reports</source>
        <translation>Укороченные отчёты</translation>
    </message>
    <message>
        <source>Latency (ms)</source>
        <translation>Задержка (мс)</translation>
    </message>
    <message>
        <source>Added to every transfer.</source>
        <translation>Добавляется к каждой передаче.</translation>
    </message>
    <message>
        <source>Generic latency (ms)</source>
        <translation>Универсальное устройство: задержка (мс)</translation>
    </message>
    <message>
        <source>Joystick</source>
        <translation>Джойстик</translation>
    </message>
    <message>
        <source>Joystick plugged in</source>
        <translation>Джойстик: кабель подключён</translation>
    </message>
    <message>
        <source>Joystick stays busy</source>
        <translation>Джойстик: занятость не снимается</translation>
    </message>
    <message>
        <source>Joystick fails transfers</source>
        <translation>Джойстик: ошибки передачи</translation>
    </message>
    <message>
        <source>Joystick times out</source>
        <translation>Джойстик: тайм-ауты</translation>
    </message>
    <message>
        <source>Joystick short reports</source>
        <translation>Джойстик: укороченные отчёты</translation>
    </message>
    <message>
        <source>Joystick latency (ms)</source>
        <translation>Джойстик: задержка (мс)</translation>
    </message>
    <message>
        <source>Rudder</source>
        <translation>Педали</translation>
    </message>
    <message>
        <source>Rudder plugged in</source>
        <translation>Педали: кабель подключён</translation>
    </message>
    <message>
        <source>Rudder stays busy</source>
        <translation>Педали: занятость не снимается</translation>
    </message>
    <message>
        <source>Rudder fails transfers</source>
        <translation>Педали: ошибки передачи</translation>
    </message>
    <message>
        <source>Rudder times out</source>
        <translation>Педали: тайм-ауты</translation>
    </message>
    <message>
        <source>Rudder short reports</source>
        <translation>Педали: укороченные отчёты</translation>
    </message>
    <message>
        <source>Rudder latency (ms)</source>
        <translation>Педали: задержка (мс)</translation>
    </message>
    <message>
        <source>Wheel</source>
        <translation>Руль</translation>
    </message>
    <message>
        <source>Wheel plugged in</source>
        <translation>Руль: кабель подключён</translation>
    </message>
    <message>
        <source>Wheel stays busy</source>
        <translation>Руль: занятость не снимается</translation>
    </message>
    <message>
        <source>Wheel fails transfers</source>
        <translation>Руль: ошибки передачи</translation>
    </message>
    <message>
        <source>Wheel times out</source>
        <translation>Руль: тайм-ауты</translation>
    </message>
    <message>
        <source>Wheel short reports</source>
        <translation>Руль: укороченные отчёты</translation>
    </message>
    <message>
        <source>Wheel latency (ms)</source>
        <translation>Руль: задержка (мс)</translation>
    </message>
    <message>
        <source>Recent transfers</source>
        <translation>Последние передачи</translation>
    </message>
    <message>
        <source>What the program sent and what the controllers answered, newest last:
time (ms), vendor:product, request type, request, value, index, length, result, data.</source>
        <translation>Что программа отправила и что ответили контроллеры, новые внизу:
время (мс), производитель:изделие, тип запроса, запрос, значение, индекс, длина, результат, данные.</translation>
    </message>
    <message>
        <source>Plugged in, but opening it fails as on a node this user may not open.</source>
        <translation>Кабель подключён, но открыть контроллер нельзя, как узел, к которому у пользователя нет доступа.</translation>
    </message>
    <message>
        <source>Generic no access</source>
        <translation>Универсальное устройство: нет доступа</translation>
    </message>
    <message>
        <source>No access</source>
        <translation>Нет доступа</translation>
    </message>
    <message>
        <source>Joystick no access</source>
        <translation>Джойстик: нет доступа</translation>
    </message>
    <message>
        <source>Rudder no access</source>
        <translation>Педали: нет доступа</translation>
    </message>
    <message>
        <source>Wheel no access</source>
        <translation>Руль: нет доступа</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>Ввод</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>Hat</source>
        <translation>Крестовина</translation>
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
        <source>%1: button %2</source>
        <translation>%1: кнопка %2</translation>
    </message>
    <message>
        <source>Left toe brake</source>
        <translation>Левый тормоз</translation>
    </message>
    <message>
        <source>Right toe brake</source>
        <translation>Правый тормоз</translation>
    </message>
    <message>
        <source>Steering</source>
        <translation>Руль</translation>
    </message>
    <message>
        <source>Gas pedal</source>
        <translation>Педаль газа</translation>
    </message>
    <message>
        <source>Brake pedal</source>
        <translation>Педаль тормоза</translation>
    </message>
    <message>
        <source>Clutch pedal</source>
        <translation>Педаль сцепления</translation>
    </message>
</context>
</TS>
