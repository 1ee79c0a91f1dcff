<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>MainWindow</name>
    <message>
        <source>Kestrix hardware settings UI</source>
        <translation>Настройка оборудования Kestrix</translation>
    </message>
    <message>
        <source>Reboot device</source>
        <translation>Перезагрузить устройство</translation>
    </message>
    <message>
        <source>Read settings</source>
        <translation>Прочитать настройки</translation>
    </message>
    <message>
        <source>Input...</source>
        <translation>Ввод...</translation>
    </message>
    <message>
        <source>Save settings</source>
        <translation>Сохранить настройки</translation>
    </message>
    <message>
        <source>Target device is not selected or was disconnected!</source>
        <translation>Устройство не выбрано или было отключено!</translation>
    </message>
    <message>
        <source>No compatible devices connected</source>
        <translation>Совместимые устройства не подключены</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Устройство</translation>
    </message>
    <message>
        <source>Hardware</source>
        <translation>Оборудование</translation>
    </message>
    <message>
        <source>GPIO</source>
        <translation>GPIO</translation>
    </message>
    <message>
        <source>GPIO modes</source>
        <translation>Режимы GPIO</translation>
    </message>
    <message>
        <source>Pin 1</source>
        <translation>Вывод 1</translation>
    </message>
    <message>
        <source>Pin 1 mode</source>
        <translation>Режим вывода 1</translation>
    </message>
    <message>
        <source>Pin 2</source>
        <translation>Вывод 2</translation>
    </message>
    <message>
        <source>Pin 2 mode</source>
        <translation>Режим вывода 2</translation>
    </message>
    <message>
        <source>Pin 3</source>
        <translation>Вывод 3</translation>
    </message>
    <message>
        <source>Pin 3 mode</source>
        <translation>Режим вывода 3</translation>
    </message>
    <message>
        <source>Pin 4</source>
        <translation>Вывод 4</translation>
    </message>
    <message>
        <source>Pin 4 mode</source>
        <translation>Режим вывода 4</translation>
    </message>
    <message>
        <source>Pin 5</source>
        <translation>Вывод 5</translation>
    </message>
    <message>
        <source>Pin 5 mode</source>
        <translation>Режим вывода 5</translation>
    </message>
    <message>
        <source>Pin 6</source>
        <translation>Вывод 6</translation>
    </message>
    <message>
        <source>Pin 6 mode</source>
        <translation>Режим вывода 6</translation>
    </message>
    <message>
        <source>Pin 7</source>
        <translation>Вывод 7</translation>
    </message>
    <message>
        <source>Pin 7 mode</source>
        <translation>Режим вывода 7</translation>
    </message>
    <message>
        <source>Pin 8</source>
        <translation>Вывод 8</translation>
    </message>
    <message>
        <source>Pin 8 mode</source>
        <translation>Режим вывода 8</translation>
    </message>
    <message>
        <source>Encoder Z0</source>
        <translation>Энкодер Z0</translation>
    </message>
    <message>
        <source>Encoder Z0 mode</source>
        <translation>Режим энкодера Z0</translation>
    </message>
    <message>
        <source>Encoder Z1</source>
        <translation>Энкодер Z1</translation>
    </message>
    <message>
        <source>Encoder Z1 mode</source>
        <translation>Режим энкодера Z1</translation>
    </message>
    <message>
        <source>Extensions</source>
        <translation>Расширения</translation>
    </message>
    <message>
        <source>SPI mode</source>
        <translation>Режим SPI</translation>
    </message>
    <message>
        <source>SPI recomendations</source>
        <translation>Рекомендации по SPI</translation>
    </message>
    <message>
        <source>- MISO line at PIN 4</source>
        <translation>- линия MISO на выводе 4</translation>
    </message>
    <message>
        <source>- SCK line at any pin</source>
        <translation>- линия SCK на любом выводе</translation>
    </message>
    <message>
        <source>- CS line at any pin</source>
        <translation>- линия CS на любом выводе</translation>
    </message>
    <message>
        <source>Buttons</source>
        <translation>Кнопки</translation>
    </message>
    <message>
        <source>Button 1</source>
        <translation>Кнопка 1</translation>
    </message>
    <message>
        <source>Button 1 mode</source>
        <translation>Режим кнопки 1</translation>
    </message>
    <message>
        <source>Button 2</source>
        <translation>Кнопка 2</translation>
    </message>
    <message>
        <source>Button 2 mode</source>
        <translation>Режим кнопки 2</translation>
    </message>
    <message>
        <source>Button 3</source>
        <translation>Кнопка 3</translation>
    </message>
    <message>
        <source>Button 3 mode</source>
        <translation>Режим кнопки 3</translation>
    </message>
    <message>
        <source>Button 4</source>
        <translation>Кнопка 4</translation>
    </message>
    <message>
        <source>Button 4 mode</source>
        <translation>Режим кнопки 4</translation>
    </message>
    <message>
        <source>Button 5</source>
        <translation>Кнопка 5</translation>
    </message>
    <message>
        <source>Button 5 mode</source>
        <translation>Режим кнопки 5</translation>
    </message>
    <message>
        <source>Button 6</source>
        <translation>Кнопка 6</translation>
    </message>
    <message>
        <source>Button 6 mode</source>
        <translation>Режим кнопки 6</translation>
    </message>
    <message>
        <source>Button 7</source>
        <translation>Кнопка 7</translation>
    </message>
    <message>
        <source>Button 7 mode</source>
        <translation>Режим кнопки 7</translation>
    </message>
    <message>
        <source>Button 8</source>
        <translation>Кнопка 8</translation>
    </message>
    <message>
        <source>Button 8 mode</source>
        <translation>Режим кнопки 8</translation>
    </message>
    <message>
        <source>Shift register 1</source>
        <translation>Сдвиговый регистр 1</translation>
    </message>
    <message>
        <source>Button 9</source>
        <translation>Кнопка 9</translation>
    </message>
    <message>
        <source>Button 9 mode</source>
        <translation>Режим кнопки 9</translation>
    </message>
    <message>
        <source>Button 10</source>
        <translation>Кнопка 10</translation>
    </message>
    <message>
        <source>Button 10 mode</source>
        <translation>Режим кнопки 10</translation>
    </message>
    <message>
        <source>Button 11</source>
        <translation>Кнопка 11</translation>
    </message>
    <message>
        <source>Button 11 mode</source>
        <translation>Режим кнопки 11</translation>
    </message>
    <message>
        <source>Button 12</source>
        <translation>Кнопка 12</translation>
    </message>
    <message>
        <source>Button 12 mode</source>
        <translation>Режим кнопки 12</translation>
    </message>
    <message>
        <source>Button 13</source>
        <translation>Кнопка 13</translation>
    </message>
    <message>
        <source>Button 13 mode</source>
        <translation>Режим кнопки 13</translation>
    </message>
    <message>
        <source>Button 14</source>
        <translation>Кнопка 14</translation>
    </message>
    <message>
        <source>Button 14 mode</source>
        <translation>Режим кнопки 14</translation>
    </message>
    <message>
        <source>Button 15</source>
        <translation>Кнопка 15</translation>
    </message>
    <message>
        <source>Button 15 mode</source>
        <translation>Режим кнопки 15</translation>
    </message>
    <message>
        <source>Button 16</source>
        <translation>Кнопка 16</translation>
    </message>
    <message>
        <source>Button 16 mode</source>
        <translation>Режим кнопки 16</translation>
    </message>
    <message>
        <source>Shift register 2</source>
        <translation>Сдвиговый регистр 2</translation>
    </message>
    <message>
        <source>Button 17</source>
        <translation>Кнопка 17</translation>
    </message>
    <message>
        <source>Button 17 mode</source>
        <translation>Режим кнопки 17</translation>
    </message>
    <message>
        <source>Button 18</source>
        <translation>Кнопка 18</translation>
    </message>
    <message>
        <source>Button 18 mode</source>
        <translation>Режим кнопки 18</translation>
    </message>
    <message>
        <source>Button 19</source>
        <translation>Кнопка 19</translation>
    </message>
    <message>
        <source>Button 19 mode</source>
        <translation>Режим кнопки 19</translation>
    </message>
    <message>
        <source>Button 20</source>
        <translation>Кнопка 20</translation>
    </message>
    <message>
        <source>Button 20 mode</source>
        <translation>Режим кнопки 20</translation>
    </message>
    <message>
        <source>Button 21</source>
        <translation>Кнопка 21</translation>
    </message>
    <message>
        <source>Button 21 mode</source>
        <translation>Режим кнопки 21</translation>
    </message>
    <message>
        <source>Button 22</source>
        <translation>Кнопка 22</translation>
    </message>
    <message>
        <source>Button 22 mode</source>
        <translation>Режим кнопки 22</translation>
    </message>
    <message>
        <source>Button 23</source>
        <translation>Кнопка 23</translation>
    </message>
    <message>
        <source>Button 23 mode</source>
        <translation>Режим кнопки 23</translation>
    </message>
    <message>
        <source>Button 24</source>
        <translation>Кнопка 24</translation>
    </message>
    <message>
        <source>Button 24 mode</source>
        <translation>Режим кнопки 24</translation>
    </message>
    <message>
        <source>Shift register 3</source>
        <translation>Сдвиговый регистр 3</translation>
    </message>
    <message>
        <source>Button 25</source>
        <translation>Кнопка 25</translation>
    </message>
    <message>
        <source>Button 25 mode</source>
        <translation>Режим кнопки 25</translation>
    </message>
    <message>
        <source>Button 26</source>
        <translation>Кнопка 26</translation>
    </message>
    <message>
        <source>Button 26 mode</source>
        <translation>Режим кнопки 26</translation>
    </message>
    <message>
        <source>Button 27</source>
        <translation>Кнопка 27</translation>
    </message>
    <message>
        <source>Button 27 mode</source>
        <translation>Режим кнопки 27</translation>
    </message>
    <message>
        <source>Button 28</source>
        <translation>Кнопка 28</translation>
    </message>
    <message>
        <source>Button 28 mode</source>
        <translation>Режим кнопки 28</translation>
    </message>
    <message>
        <source>Button 29</source>
        <translation>Кнопка 29</translation>
    </message>
    <message>
        <source>Button 29 mode</source>
        <translation>Режим кнопки 29</translation>
    </message>
    <message>
        <source>Button 30</source>
        <translation>Кнопка 30</translation>
    </message>
    <message>
        <source>Button 30 mode</source>
        <translation>Режим кнопки 30</translation>
    </message>
    <message>
        <source>Button 31</source>
        <translation>Кнопка 31</translation>
    </message>
    <message>
        <source>Button 31 mode</source>
        <translation>Режим кнопки 31</translation>
    </message>
    <message>
        <source>Button 32</source>
        <translation>Кнопка 32</translation>
    </message>
    <message>
        <source>Button 32 mode</source>
        <translation>Режим кнопки 32</translation>
    </message>
    <message>
        <source>Analog axes</source>
        <translation>Аналоговые оси</translation>
    </message>
    <message>
        <source>Lower dead zone</source>
        <translation>Нижняя мёртвая зона</translation>
    </message>
    <message>
        <source>Upper dead zone</source>
        <translation>Верхняя мёртвая зона</translation>
    </message>
    <message>
        <source>Smoothing</source>
        <translation>Сглаживание</translation>
    </message>
    <message>
        <source>Button threshold</source>
        <translation>Порог кнопки</translation>
    </message>
    <message>
        <source>Rx</source>
        <translation>Rx</translation>
    </message>
    <message>
        <source>Rx lower dead zone</source>
        <translation>Rx: нижняя мёртвая зона</translation>
    </message>
    <message>
        <source>Rx upper dead zone</source>
        <translation>Rx: верхняя мёртвая зона</translation>
    </message>
    <message>
        <source>Rx smoothing</source>
        <translation>Rx: сглаживание</translation>
    </message>
    <message>
        <source>Rx button threshold</source>
        <translation>Rx: порог кнопки</translation>
    </message>
    <message>
        <source>Ry</source>
        <translation>Ry</translation>
    </message>
    <message>
        <source>Ry lower dead zone</source>
        <translation>Ry: нижняя мёртвая зона</translation>
    </message>
    <message>
        <source>Ry upper dead zone</source>
        <translation>Ry: верхняя мёртвая зона</translation>
    </message>
    <message>
        <source>Ry smoothing</source>
        <translation>Ry: сглаживание</translation>
    </message>
    <message>
        <source>Ry button threshold</source>
        <translation>Ry: порог кнопки</translation>
    </message>
    <message>
        <source>Rz</source>
        <translation>Rz</translation>
    </message>
    <message>
        <source>Rz lower dead zone</source>
        <translation>Rz: нижняя мёртвая зона</translation>
    </message>
    <message>
        <source>Rz upper dead zone</source>
        <translation>Rz: верхняя мёртвая зона</translation>
    </message>
    <message>
        <source>Rz smoothing</source>
        <translation>Rz: сглаживание</translation>
    </message>
    <message>
        <source>Rz button threshold</source>
        <translation>Rz: порог кнопки</translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation>Отключено</translation>
    </message>
    <message>
        <source>Generic button</source>
        <translation>Обычная кнопка</translation>
    </message>
    <message>
        <source>Analog</source>
        <translation>Аналоговый вход</translation>
    </message>
    <message>
        <source>SPI CS</source>
        <translation>SPI CS</translation>
    </message>
    <message>
        <source>SPI SCK</source>
        <translation>SPI SCK</translation>
    </message>
    <message>
        <source>SPI MISO</source>
        <translation>SPI MISO</translation>
    </message>
    <message>
        <source>Enable effects switch</source>
        <translation>Выключатель эффектов</translation>
    </message>
    <message>
        <source>Recalibrate button</source>
        <translation>Кнопка перекалибровки</translation>
    </message>
    <message>
        <source>Reboot button</source>
        <translation>Кнопка перезагрузки</translation>
    </message>
    <message>
        <source>Braking PWM</source>
        <translation>ШИМ торможения</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Обычный</translation>
    </message>
    <message>
        <source>Inverted</source>
        <translation>Инверсный</translation>
    </message>
    <message>
        <source>Pulse normal</source>
        <translation>Импульс, обычный</translation>
    </message>
    <message>
        <source>Pulse inverted</source>
        <translation>Импульс, инверсный</translation>
    </message>
    <message>
        <source>Select compatible device (</source>
        <translation>Выберите совместимое устройство (подключено: </translation>
    </message>
    <message>
        <source> connected)</source>
        <translation>)</translation>
    </message>
    <message>
        <source>Generic</source>
        <translation>Универсальное устройство</translation>
    </message>
    <message>
        <source>Joystick</source>
        <translation>Джойстик</translation>
    </message>
    <message>
        <source>Rudder</source>
        <translation>Педали</translation>
    </message>
    <message>
        <source>Wheel</source>
        <translation>Руль</translation>
    </message>
    <message>
        <source>The controller did not take the reboot command. Check the cable, then try again.</source>
        <translation>Контроллер не принял команду перезагрузки. Проверьте кабель и повторите попытку.</translation>
    </message>
    <message>
        <source>The controller did not take the settings. Check the cable, then try again.</source>
        <translation>Контроллер не принял настройки. Проверьте кабель и повторите попытку.</translation>
    </message>
    <message>
        <source>The controller stayed busy and did not confirm within %1 seconds that it stored the settings. Wait a moment, then save again.</source>
        <translation>Контроллер оставался занят и за %1 с не подтвердил, что сохранил настройки. Подождите немного и сохраните снова.</translation>
    </message>
    <message>
        <source>The controller did not confirm that it stored the settings. Check the cable, then save again.</source>
        <translation>Контроллер не подтвердил, что сохранил настройки. Проверьте кабель и сохраните снова.</translation>
    </message>
    <message>
        <source>The controller did not take the calibration start angle. Check the cable, then change the angle again.</source>
        <translation>Контроллер не принял начальный угол калибровки. Проверьте кабель и измените угол ещё раз.</translation>
    </message>
    <message>
        <source>The controller&apos;s settings changed since they were read, so nothing was saved. Your changes are still shown; click &quot;Read settings&quot; to see what the controller holds now.</source>
        <translation>Настройки контроллера изменились после чтения, поэтому ничего не сохранено. Ваши изменения остались на страницах; нажмите «Прочитать настройки», чтобы увидеть, что сейчас хранит контроллер.</translation>
    </message>
    <message>
        <source>Controller that can not be used</source>
        <translation>Контроллер, который нельзя использовать</translation>
    </message>
</context>
<context>
    <name>PremiumHardwareSettingsWidget</name>
    <message>
        <source>Calibrate on boot</source>
        <translation>Калибровать при включении</translation>
    </message>
    <message>
        <source>Debug forces</source>
        <translation>Отладка усилий</translation>
    </message>
    <message>
        <source>Enable forces (Require reboot)</source>
        <translation>Включить усилия (нужна перезагрузка)</translation>
    </message>
    <message>
        <source>Current sense gain (Require reboot)</source>
        <translation>Усиление датчика тока (нужна перезагрузка)</translation>
    </message>
    <message>
        <source>80V/V</source>
        <translation>80 В/В</translation>
    </message>
    <message>
        <source>40V/V</source>
        <translation>40 В/В</translation>
    </message>
    <message>
        <source>20V/V</source>
        <translation>20 В/В</translation>
    </message>
    <message>
        <source>10V/V</source>
        <translation>10 В/В</translation>
    </message>
    <message>
        <source>Calibration (Require reboot)</source>
        <translation>Калибровка (нужна перезагрузка)</translation>
    </message>
    <message>
        <source>Axis 0</source>
        <translation>Ось 0</translation>
    </message>
    <message>
        <source>Invert joystick output</source>
        <translation>Инвертировать выход джойстика</translation>
    </message>
    <message>
        <source>Invert force output</source>
        <translation>Инвертировать выход усилия</translation>
    </message>
    <message>
        <source>Encoder CPR</source>
        <translation>Разрешение энкодера (CPR)</translation>
    </message>
    <message>
        <source>Pole pairs</source>
        <translation>Пары полюсов</translation>
    </message>
    <message>
        <source>Motion range (degrees)</source>
        <translation>Диапазон поворота (градусы)</translation>
    </message>
    <message>
        <source>P gain</source>
        <translation>Коэффициент P</translation>
    </message>
    <message>
        <source>I gain</source>
        <translation>Коэффициент I</translation>
    </message>
    <message>
        <source>Calibration start angle</source>
        <translation>Начальный угол калибровки</translation>
    </message>
    <message>
        <source>Axis 1</source>
        <translation>Ось 1</translation>
    </message>
    <message>
        <source>Power limit (%)</source>
        <translation>Предел мощности (%)</translation>
    </message>
    <message>
        <source>Power limit (%) slider</source>
        <translation>Предел мощности (%), ползунок</translation>
    </message>
    <message>
        <source>Calibration magnitude (%)</source>
        <translation>Сила калибровки (%)</translation>
    </message>
    <message>
        <source>Calibration magnitude (%) slider</source>
        <translation>Сила калибровки (%), ползунок</translation>
    </message>
    <message>
        <source>Calibration speed (%)</source>
        <translation>Скорость калибровки (%)</translation>
    </message>
    <message>
        <source>Calibration speed (%) slider</source>
        <translation>Скорость калибровки (%), ползунок</translation>
    </message>
    <message>
        <source>Braking resistor limit (%)</source>
        <translation>Предел тормозного резистора (%)</translation>
    </message>
    <message>
        <source>Braking resistor limit (%) slider</source>
        <translation>Предел тормозного резистора (%), ползунок</translation>
    </message>
</context>
<context>
    <name>Presence</name>
    <message>
        <source>this user may not open %1</source>
        <translation>этому пользователю нельзя открыть %1</translation>
    </message>
    <message>
        <source>another program holds %1</source>
        <translation>%1 занят другой программой</translation>
    </message>
    <message>
        <source>%1 does not exist</source>
        <translation>%1 не существует</translation>
    </message>
    <message>
        <source>%1: plugged in, but it can not be used (%2). Run &quot;kestrix doctor&quot; to see how to fix it.</source>
        <translation>%1: подключён, но его нельзя использовать (%2). Запустите «kestrix doctor», чтобы узнать, как это исправить.</translation>
    </message>
</context>
<context>
    <name>QComboBox</name>
    <message>
        <source>None</source>
        <translation>Нет</translation>
    </message>
    <message>
        <source>Calibration start angle as the center</source>
        <translation>Начальный угол как центр</translation>
    </message>
    <message>
        <source>Automatic center of range search</source>
        <translation>Автопоиск центра диапазона</translation>
    </message>
</context>
</TS>
