# An independent peer for the master's RTU over TCP: pymodbus serving RTU frames on a TCP port,
# as a serial device server forwards them, with the transmitter's measurements and information
# block but no output block. Prints the port it listens on once it does.
import asyncio

from pymodbus.datastore import ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.server import StartAsyncTcpServer

registers = [0] * 0x10A
registers[0:4] = [2345, 4567, 1120, 0]
registers[0x100:0x109] = [1, 4, 0, 0, 0x2612, 0x0603, 0x3415, 0xFE70, 0x04E2]
slave = ModbusSlaveContext(hr=ModbusSequentialDataBlock(0, registers), zero_mode=True)
context = ModbusServerContext(slaves=slave, single=True)


async def serve():
    server = await StartAsyncTcpServer(context=context, address=("127.0.0.1", 0),
                                       framer=ModbusRtuFramer, defer_start=True)
    serving = asyncio.create_task(server.serve_forever())
    await server.serving
    print(server.server.sockets[0].getsockname()[1], flush=True)
    await serving


asyncio.run(serve())
