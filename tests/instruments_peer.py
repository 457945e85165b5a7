# An independent master for the simulated instruments: pymodbus reads the reference's float32
# input registers, writes and reads the chamber's set points, and is refused a read of the
# reference's holding registers, RTU frames over TCP as a serial device server carries them.
# Prints, on one line, the reference's temperature, humidity and dew point, the chamber's set
# points in tenths and the exception code of the refused read.
#   instruments_peer.py PORT REFERENCE_ADDRESS CHAMBER_ADDRESS
import sys

from pymodbus.client import ModbusTcpClient
from pymodbus.constants import Endian
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.payload import BinaryPayloadDecoder

port, reference, chamber = (int(argument) for argument in sys.argv[1:4])
client = ModbusTcpClient("127.0.0.1", port=port, framer=ModbusRtuFramer, timeout=5, retries=0)
if not client.connect():
    sys.exit("cannot connect")
floats = client.read_input_registers(0, 6, slave=reference).registers
decoder = BinaryPayloadDecoder.fromRegisters(floats, byteorder=Endian.Big, wordorder=Endian.Big)
readings = [f"{decoder.decode_32bit_float():.2f}" for _ in range(3)]
client.write_register(0, 300, slave=chamber)
set_points = client.read_holding_registers(0, 2, slave=chamber).registers
refused = client.read_holding_registers(0, 2, slave=reference).exception_code
print(*readings, *set_points, refused)
client.close()
